#pragma once
// One window per user: a second start hands the book it was given to the running program
// (over a local socket private to the user) and ends; the running one opens it and comes
// to the front.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

namespace pgw::app {

class InstanceChannel : public QObject {
public:
    // `path`: the book to open, or empty to come to the front only.
    using Request = std::function<void(const QString& path)>;

    explicit InstanceChannel(QString name = defaultName(), QObject* parent = nullptr);

    // True when a running program took the request; false when there is none.
    bool handToRunning(const QString& path) const;
    // Takes the requests of later starts; false when the channel cannot be opened (the
    // program then runs on alone).
    bool listen(Request request);

    static QString defaultName();

private:
    void readFrom(QLocalSocket* socket);

    QString name_;
    QLocalServer server_;
    Request request_;
};

}  // namespace pgw::app
