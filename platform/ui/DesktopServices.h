#pragma once
// Handing things to the desktop: a web address or a file opened by whatever the desktop
// associates with it, and the warning beep. The window uses Qt's desktop services; tests
// record the requests, so no test ever starts a browser.
//
// Addresses and paths are UTF-8.

#include <string>
#include <vector>

namespace pgw::ui {

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // An address with a scheme ("https://...", "mailto:..."); anything else is taken as a
    // file path. False when nothing could open it.
    virtual bool openUrl(const std::string& address) = 0;
    virtual bool openFile(const std::string& path) = 0;
    virtual void beep() = 0;
};

// Remembers what it was asked to open and answers with a prepared result.
class RecordingDesktopServices : public DesktopServices {
public:
    bool openUrl(const std::string& address) override {
        urls.push_back(address);
        return succeed;
    }
    bool openFile(const std::string& path) override {
        files.push_back(path);
        return succeed;
    }
    void beep() override { ++beeps; }

    bool succeed = true;
    std::vector<std::string> urls;
    std::vector<std::string> files;
    int beeps = 0;
};

}  // namespace pgw::ui
