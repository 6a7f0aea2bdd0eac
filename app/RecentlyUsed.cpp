#include "app/RecentlyUsed.h"

#include <QDateTime>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace pgw::app {

namespace {

constexpr char kBookmarkNamespace[] = "http://www.freedesktop.org/standards/desktop-bookmarks";
constexpr char kMimeNamespace[] = "http://www.freedesktop.org/standards/shared-mime-info";
constexpr char kBookType[] = "application/x-pagewright-book";
constexpr char kApplication[] = "pagewright";

QDomDocument emptyList() {
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(QStringLiteral("xml"),
                                                              QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(QStringLiteral("xbel"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    root.setAttribute(QStringLiteral("xmlns:bookmark"), QString::fromLatin1(kBookmarkNamespace));
    root.setAttribute(QStringLiteral("xmlns:mime"), QString::fromLatin1(kMimeNamespace));
    document.appendChild(root);
    return document;
}

QDomElement child(QDomElement parent, const QString& name) {
    QDomElement found = parent.firstChildElement(name);
    if (found.isNull()) found = parent.appendChild(parent.ownerDocument().createElement(name)).toElement();
    return found;
}

// The bookmark's metadata: its type, and this program with how often it used the file.
void describe(QDomElement bookmark, const QString& now) {
    QDomElement metadata = child(child(bookmark, QStringLiteral("info")), QStringLiteral("metadata"));
    metadata.setAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    child(metadata, QStringLiteral("mime:mime-type")).setAttribute(QStringLiteral("type"), QString::fromLatin1(kBookType));
    QDomElement applications = child(metadata, QStringLiteral("bookmark:applications"));
    QDomElement application;
    for (QDomElement e = applications.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute(QStringLiteral("name")) == QLatin1String(kApplication)) application = e;
    if (application.isNull()) {
        application = applications.appendChild(bookmark.ownerDocument().createElement(QStringLiteral("bookmark:application"))).toElement();
        application.setAttribute(QStringLiteral("name"), QString::fromLatin1(kApplication));
        application.setAttribute(QStringLiteral("exec"), QStringLiteral("'pagewright %u'"));
    }
    application.setAttribute(QStringLiteral("modified"), now);
    application.setAttribute(QStringLiteral("count"), application.attribute(QStringLiteral("count"), QStringLiteral("0")).toInt() + 1);
}

}  // namespace

QString recentlyUsedFile() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.startsWith(u'/')) data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/recently-used.xbel");
}

bool enterRecentlyUsed(const QString& bookPath, const QString& xbelPath) {
    QDomDocument document;
    if (QFile file(xbelPath); file.exists()) {
        if (!file.open(QIODevice::ReadOnly) || !document.setContent(&file) ||
            document.documentElement().tagName() != QLatin1String("xbel"))
            return false;
    } else {
        document = emptyList();
    }
    const QString href = QString::fromLatin1(QUrl::fromLocalFile(bookPath).toEncoded());
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QDomElement root = document.documentElement();
    QDomElement bookmark;
    for (QDomElement e = root.firstChildElement(QStringLiteral("bookmark")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("bookmark")))
        if (e.attribute(QStringLiteral("href")) == href) bookmark = e;
    if (bookmark.isNull()) {
        bookmark = root.appendChild(document.createElement(QStringLiteral("bookmark"))).toElement();
        bookmark.setAttribute(QStringLiteral("href"), href);
        bookmark.setAttribute(QStringLiteral("added"), now);
    }
    bookmark.setAttribute(QStringLiteral("modified"), now);
    bookmark.setAttribute(QStringLiteral("visited"), now);
    describe(bookmark, now);

    QDir().mkpath(QFileInfo(xbelPath).absolutePath());
    QSaveFile out(xbelPath);  // written aside and renamed: the desktop's list is never half written
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(document.toByteArray(2));
    return out.commit();
}

}  // namespace pgw::app
