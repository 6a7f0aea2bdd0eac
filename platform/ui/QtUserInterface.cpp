#include "platform/ui/QtUserInterface.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>

namespace pgw::ui {

namespace {

// A message without a caption shows the application's title, as the plain message box does.
constexpr char kApplicationTitle[] = "Pagewright";

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::Ok: break;
    }
    return QMessageBox::Ok;
}

// The first button is the default one, as in the boxes this program has always shown.
QMessageBox::StandardButton defaultButton(Buttons buttons) {
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? QMessageBox::Yes : QMessageBox::Ok;
}

// A Yes/No question has no way out but its two buttons: Escape or the title bar's close
// would otherwise answer No, and "save the changes?" answered No by a stray key loses work.
class QuestionWithoutEscape : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) return true;
        return QObject::eventFilter(watched, event);
    }
};

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QtUserInterface::QtUserInterface(QWidget* owner)
    : owner_(owner),
      runMessageBox_([](QMessageBox& box) { return box.exec(); }),
      runFileDialog_([](QFileDialog& dialog) { return dialog.exec(); }) {}

Answer QtUserInterface::answerFor(int clickedButton, Buttons buttons) {
    switch (buttons) {
    case Buttons::OkCancel: return clickedButton == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo: return clickedButton == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::YesNoCancel:
        // Escape and the title bar's close answer Cancel: the safe way out.
        return clickedButton == QMessageBox::Yes ? Answer::Yes
               : clickedButton == QMessageBox::No ? Answer::No
                                                  : Answer::Cancel;
    case Buttons::Ok: break;
    }
    return Answer::Ok;
}

void QtUserInterface::configure(QMessageBox& box, const Message& message) const {
    box.setWindowTitle(message.caption.empty() ? QString::fromUtf8(kApplicationTitle) : fromUtf8(message.caption));
    box.setText(fromUtf8(message.text));
    box.setTextFormat(Qt::PlainText);  // a name in the text must never be read as markup
    box.setIcon(qtIcon(message.icon));
    box.setStandardButtons(qtButtons(message.buttons));
    box.setDefaultButton(defaultButton(message.buttons));
    if (message.buttons == Buttons::YesNo) box.installEventFilter(new QuestionWithoutEscape(&box));
}

Answer QtUserInterface::showMessage(const Message& message) {
    QMessageBox box;
    configure(box, message);
    return answerFor(runMessageBox_(box), message.buttons);
}

QString QtUserInterface::nameFilter(const FileFilter& filter) {
    const QString description = fromUtf8(filter.description);
    const QString named = QLatin1Char('(') + fromUtf8(filter.pattern) + QLatin1Char(')');
    QString spaced = fromUtf8(filter.pattern);
    spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
    // A description that already names its patterns keeps its text; Qt wants them space-separated.
    if (description.endsWith(named))
        return description.left(description.size() - named.size()) + QLatin1Char('(') + spaced + QLatin1Char(')');
    return description + QStringLiteral(" (") + spaced + QLatin1Char(')');
}

std::optional<std::string> QtUserInterface::askPath(QFileDialog::AcceptMode mode, const std::vector<FileFilter>& filters) {
    const bool saving = mode == QFileDialog::AcceptSave;
    QFileDialog dialog(owner_, saving ? QStringLiteral("另存为") : QStringLiteral("打开"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The callers ask about an existing file themselves and add the extension themselves.
    if (saving) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList nameFilters;
    for (const FileFilter& filter : filters) nameFilters << nameFilter(filter);
    if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
    if (runFileDialog_(dialog) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

std::optional<std::string> QtUserInterface::askSavePath(const std::vector<FileFilter>& filters) {
    return askPath(QFileDialog::AcceptSave, filters);
}

std::optional<std::string> QtUserInterface::askOpenPath(const std::vector<FileFilter>& filters) {
    return askPath(QFileDialog::AcceptOpen, filters);
}

QStringList QtUserInterface::askExisting(QFileDialog::FileMode mode, const std::vector<FileFilter>& filters) {
    QFileDialog dialog(owner_, mode == QFileDialog::Directory ? QStringLiteral("选择文件夹") : QStringLiteral("打开"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    QStringList nameFilters;
    for (const FileFilter& filter : filters) nameFilters << nameFilter(filter);
    if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
    if (runFileDialog_(dialog) != QDialog::Accepted) return {};
    QStringList chosen = dialog.selectedFiles();
    chosen.removeAll(QString());
    return chosen;
}

std::vector<std::string> QtUserInterface::askOpenPaths(const std::vector<FileFilter>& filters) {
    std::vector<std::string> paths;
    for (const QString& path : askExisting(QFileDialog::ExistingFiles, filters)) paths.push_back(path.toStdString());
    return paths;
}

std::optional<std::string> QtUserInterface::askFolder() {
    const QStringList chosen = askExisting(QFileDialog::Directory, {});
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

void QtUserInterface::showStatus(const std::string& text) {
    if (statusSink_) statusSink_(fromUtf8(text));
}

void QtUserInterface::setWindowTitle(const std::string& title) {
    if (titleSink_) titleSink_(fromUtf8(title));
}

void QtUserInterface::beep() { QApplication::beep(); }

}  // namespace pgw::ui
