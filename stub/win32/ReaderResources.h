#pragma once
// Resource numbers shared by the resource script and the code.

#define kIconId 1
#define kTreeImagesId 173
