// A small plain-text editor for the tests in the private desktop, able to misbehave the way real
// applications do: its accessible text can take writes and ignore them, it can ignore a paste, and
// it can copy the caret's line when nothing is selected, it can hand its copies and selections over
// as C strings, a NUL at their end, as programs that draw their own document do, and it can keep a
// document of CR LF lines as Windows editors do. Every change of its text is written to a file, so a
// test can read the document even when accessibility cannot.
//
//   quillet_test_editor --title T --text-file IN --mirror OUT [--ignore-accessible-writes]
//                       [--ignore-paste] [--copy-line-without-selection] [--copy-with-nul] [--crlf]
//
// With NO_AT_BRIDGE=1 in its environment it stays out of accessibility's sight, as GTK programs do.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QFile>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace {

bool ignoreAccessibleWrites = false;

// A document of CR LF lines holds each as a line of the editor; a line feed that came in alone
// (pasted) is kept as it came, shown as the symbol U+2424, so the file tells the two apart.
const QChar loneLineFeed(0x2424);

QString fromCrLfText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(QLatin1Char('\n'), loneLineFeed);
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QString toCrLfText(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.replace(loneLineFeed, QLatin1Char('\n'));
}

class Document : public QPlainTextEdit {
public:
    QString selected() const { return textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'); }

    bool ignorePaste = false;
    bool copyLineWithoutSelection = false;
    bool copyWithNul = false;
    bool crlf = false;

    /// The document as its file holds it.
    QString fileText() const { return crlf ? toCrLfText(toPlainText()) : toPlainText(); }

protected:
    QMimeData* createMimeDataFromSelection() const override {
        if (!crlf)
            return QPlainTextEdit::createMimeDataFromSelection();
        // Qt's own fills its text in late, from the document: a plain one keeps what is set here.
        auto* data = new QMimeData;
        data->setText(toCrLfText(textCursor().selectedText()));
        return data;
    }
    void insertFromMimeData(const QMimeData* source) override {
        if (!crlf || !source->hasText()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        QTextCursor cursor = textCursor();
        cursor.insertText(fromCrLfText(source->text()));
        setTextCursor(cursor);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (ignorePaste && event->matches(QKeySequence::Paste)) {
            event->accept();
            return;
        }
        if (copyLineWithoutSelection && event->matches(QKeySequence::Copy) && !textCursor().hasSelection()) {
            // As KDE's editor does: the whole line goes to the clipboard, and the caret to its start.
            QTextCursor cursor = textCursor();
            QGuiApplication::clipboard()->setText(cursor.block().text() + QLatin1Char('\n'));
            cursor.movePosition(QTextCursor::StartOfBlock);
            setTextCursor(cursor);
            event->accept();
            return;
        }
        if (copyWithNul && event->matches(QKeySequence::Copy) && textCursor().hasSelection()) {
            QGuiApplication::clipboard()->setText(selected() + QChar(u'\0'));
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

// The document as an editable text, reading like Qt's own; with ignoreAccessibleWrites every write
// is accepted and changes nothing, as a browser's text area does.
class DocumentAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit DocumentAccessible(Document* document)
        : QAccessibleWidget(document, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.focusable = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? plain() : QAccessibleWidget::text(t);
    }

    // Text
    void selection(int index, int* start, int* end) const override {
        const QTextCursor cursor = document()->textCursor();
        *start = *end = 0;
        if (index == 0 && cursor.hasSelection()) {
            *start = cursor.selectionStart();
            *end = cursor.selectionEnd();
        }
    }
    int selectionCount() const override { return document()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        QTextCursor cursor = document()->textCursor();
        cursor.clearSelection();
        document()->setTextCursor(cursor);
    }
    void setSelection(int, int start, int end) override {
        QTextCursor cursor = document()->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        document()->setTextCursor(cursor);
    }
    int cursorPosition() const override { return document()->textCursor().position(); }
    void setCursorPosition(int position) override { setSelection(0, position, position); }
    QString text(int start, int end) const override { return plain().mid(start, end - start); }
    int characterCount() const override { return int(plain().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

    // EditableText
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        if (ignoreAccessibleWrites)
            return;
        QTextCursor cursor = document()->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.insertText(text);
    }

private:
    Document* document() const { return static_cast<Document*>(widget()); }
    QString plain() const { return document()->toPlainText(); }
};

// The viewport takes the document's focus for its own (it is its focus proxy's); only the document
// may say it is focused, as in the applications this editor stands in for.
class ViewportAccessible : public QAccessibleWidget {
public:
    explicit ViewportAccessible(QWidget* viewport) : QAccessibleWidget(viewport, QAccessible::Client) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focused = false;
        return s;
    }
};

QAccessibleInterface* documentFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QPlainTextEdit") && object->objectName() == QLatin1String("document"))
        return new DocumentAccessible(static_cast<Document*>(object));
    if (className == QLatin1String("QWidget") &&
        object->objectName() == QLatin1String("qt_scrollarea_viewport") && object->parent() &&
        object->parent()->objectName() == QLatin1String("document"))
        return new ViewportAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt 6 ignores NO_AT_BRIDGE, which GTK honours; without a session bus it finds no accessibility
    // bus either, and the editor is invisible to it as the tests ask.
    if (qEnvironmentVariable("NO_AT_BRIDGE") == QLatin1String("1"))
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QApplication app(argc, argv);
    // After the application's own: the latest factory is asked first.
    QAccessible::installFactory(documentFactory);
    QCommandLineParser parser;
    const QCommandLineOption title("title", "window title", "title", "Test editor");
    const QCommandLineOption textFile("text-file", "initial text (UTF-8)", "path");
    const QCommandLineOption mirror("mirror", "file that always holds the text", "path");
    const QCommandLineOption ignoreWrites("ignore-accessible-writes");
    const QCommandLineOption ignorePaste("ignore-paste");
    const QCommandLineOption copyLine("copy-line-without-selection");
    const QCommandLineOption copyWithNul("copy-with-nul");
    const QCommandLineOption crlf("crlf", "the document's lines end in CR LF");
    parser.addOptions({title, textFile, mirror, ignoreWrites, ignorePaste, copyLine, copyWithNul, crlf});
    parser.process(app);
    ignoreAccessibleWrites = parser.isSet(ignoreWrites);

    QMainWindow window;
    window.setWindowTitle(parser.value(title));
    // The keyboard starts on a button above the document, so that a person (or a test) clicks into
    // the text as with any window that opens on something else.
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    auto* button = new QPushButton(QStringLiteral("Options"));
    layout->addWidget(button);
    auto* documentWidget = new Document;
    Document& document = *documentWidget;
    layout->addWidget(documentWidget);
    window.setCentralWidget(central);
    document.setObjectName(QStringLiteral("document"));
    document.ignorePaste = parser.isSet(ignorePaste);
    document.copyLineWithoutSelection = parser.isSet(copyLine);
    document.copyWithNul = parser.isSet(copyWithNul);
    if (document.copyWithNul && QGuiApplication::clipboard()->supportsSelection()) {
        // Offered to the selection buffer the same way, once Qt has offered its own.
        QObject::connect(&document, &QPlainTextEdit::selectionChanged, &document, [&document] {
            QTimer::singleShot(0, &document, [&document] {
                if (document.textCursor().hasSelection())
                    QGuiApplication::clipboard()->setText(document.selected() + QChar(u'\0'),
                                                          QClipboard::Selection);
            });
        });
    }
    document.crlf = parser.isSet(crlf);
    if (parser.isSet(textFile)) {
        QFile in(parser.value(textFile));
        if (in.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(in.readAll());
            document.setPlainText(document.crlf ? fromCrLfText(text) : text);
        }
    }
    const QString mirrorPath = parser.value(mirror);
    auto writeMirror = [&document, mirrorPath] {
        if (mirrorPath.isEmpty())
            return;
        QSaveFile out(mirrorPath);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(document.fileText().toUtf8());
            out.commit();
        }
    };
    QObject::connect(&document, &QPlainTextEdit::textChanged, &document, writeMirror);
    writeMirror();
    window.resize(640, 400);
    // The test brings it to the front once it is ready, as a person switches to a program that has
    // finished opening.
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    window.show();
    button->setFocus();
    return app.exec();
}
