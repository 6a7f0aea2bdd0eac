#include "platform/fonts/FontFallback.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <algorithm>

namespace pgw::fonts {
namespace {

// The faces Chinese Windows ships and pages commonly name, in both spellings.
constexpr const char* kWindowsChineseFaces[] = {
    "宋体", "SimSun", "新宋体", "NSimSun", "黑体", "SimHei", "楷体", "KaiTi",
    "楷体_GB2312", "仿宋", "FangSong", "仿宋_GB2312", "微软雅黑", "Microsoft YaHei",
};

bool isWindowsChineseFace(const QString& family) {
    return std::any_of(std::begin(kWindowsChineseFaces), std::end(kWindowsChineseFaces),
                       [&](const char* face) { return family.compare(QString::fromUtf8(face), Qt::CaseInsensitive) == 0; });
}

}  // namespace

QStringList installedCjkFamilies() {
    QStringList families;
    for (const QString& family : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
        if (!QFontDatabase::isPrivateFamily(family) && !isWindowsChineseFace(family)) families << family;
    }
    std::stable_partition(families.begin(), families.end(),
                          [](const QString& family) { return !QFontDatabase::isFixedPitch(family); });
    return families;
}

void installCjkFontFallbacks() {
    static bool installed = false;
    if (installed || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    installed = true;
    const QStringList fallbacks = installedCjkFamilies();
    if (fallbacks.isEmpty()) return;
    for (const char* face : kWindowsChineseFaces) {
        const QString name = QString::fromUtf8(face);
        if (!QFontDatabase::hasFamily(name)) QFont::insertSubstitutions(name, fallbacks);
    }
}

}  // namespace pgw::fonts
