#pragma once
// Test programs run as the developer's own user. Our settings, Qt's dialogs (the file
// dialog keeps its history), the untitled books and the recently used list would otherwise
// land in their ~/.config and ~/.local/share. A test program makes one of these before its
// application object: the desktop's per-user folders then point into a scratch folder of
// its own, removed when the program ends.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace pgw::test {

class ScratchUserFolders {
public:
    ScratchUserFolders() : root_(QDir::tempPath() + QStringLiteral("/pgw-user-XXXXXX")) {
        if (!root_.isValid()) {
            // Writing into the real folders is what this is here to prevent.
            std::fprintf(stderr, "no scratch folder for the user's settings: %s\n", qPrintable(root_.errorString()));
            std::exit(2);
        }
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
            const QString folder = root_.filePath(QString::fromLatin1(name).toLower());
            QDir().mkpath(folder);
            qputenv(name, QFile::encodeName(folder));
        }
    }
    ScratchUserFolders(const ScratchUserFolders&) = delete;
    ScratchUserFolders& operator=(const ScratchUserFolders&) = delete;

private:
    QTemporaryDir root_;
};

}  // namespace pgw::test
