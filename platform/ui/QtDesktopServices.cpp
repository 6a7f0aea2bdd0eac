#include "platform/ui/QtDesktopServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>

namespace pgw::ui {

QUrl QtDesktopServices::urlFor(const std::string& address) {
    const QString text = QString::fromStdString(address).trimmed();
    if (text.isEmpty()) return {};
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() >= 2) return url;
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

bool QtDesktopServices::openUrl(const std::string& address) {
    const QUrl url = urlFor(address);
    if (!url.isValid()) return false;
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return false;
    return QDesktopServices::openUrl(url);
}

bool QtDesktopServices::openFile(const std::string& path) {
    const QString local = QString::fromStdString(path);
    if (local.isEmpty() || !QFileInfo(local).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(local).absoluteFilePath()));
}

void QtDesktopServices::beep() { QApplication::beep(); }

}  // namespace pgw::ui
