// A plain Qt 6 window holding one multi-line text field, for the sessions where no packaged Qt 6
// editor starts quickly and the same way every time: `quillet_text_field [TEXT]`.
#include <QApplication>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillet-text-field"));
    QApplication::setDesktopFileName(QStringLiteral("quillet-text-field"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Text field"));
    auto* field = new QPlainTextEdit(&window);
    field->setAccessibleName(QStringLiteral("Text"));
    if (argc > 1)
        field->setPlainText(QString::fromUtf8(argv[1]));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.resize(640, 400);
    window.show();
    field->setFocus();
    return QApplication::exec();
}
