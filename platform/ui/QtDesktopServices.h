#pragma once
// The desktop seam over QDesktopServices: the browser, mail program or file viewer the
// desktop associates with an address or a file.

#include "platform/ui/DesktopServices.h"

#include <QUrl>

namespace pgw::ui {

class QtDesktopServices : public DesktopServices {
public:
    bool openUrl(const std::string& address) override;
    bool openFile(const std::string& path) override;
    void beep() override;

    // What `openUrl` hands to the desktop: the address as it is when it carries a scheme of
    // two letters or more (so "C:\book.html" stays a path), else a local file. Empty or
    // unusable input gives an invalid URL.
    static QUrl urlFor(const std::string& address);
};

}  // namespace pgw::ui
