#include "platform/linux/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillet {

namespace {

// Targets of the X selection protocol itself, which Qt lists among the formats of another
// program's clipboard: they describe the transfer, not the data, and are never saved.
bool isProtocolTarget(const QString& format) {
    static const QStringList targets{"TARGETS", "MULTIPLE",         "TIMESTAMP",      "SAVE_TARGETS",
                                     "DELETE",  "INSERT_SELECTION", "INSERT_PROPERTY"};
    return targets.contains(format);
}

QClipboard* clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                        : nullptr;
}

}  // namespace

QtPasteboard::QtPasteboard() {
    if (QClipboard* board = clipboard()) {
        // Emitted for Quillet's own writes and, through XFixes, whenever another program takes the
        // selection.
        QObject::connect(board, &QClipboard::changed, &m_context, [this](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard)
                ++m_changeCount;
        });
    }
}

QtPasteboard::~QtPasteboard() = default;

QList<PasteboardItem> QtPasteboard::items() {
    QClipboard* board = clipboard();
    const QMimeData* data = board ? board->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data)
        return {};
    PasteboardItem item;
    for (const QString& format : data->formats()) {
        // Qt's private name for image data: offering it back would make Qt add a dozen image
        // formats the owner never offered. Qt programs read the image as image/png as well.
        if (isProtocolTarget(format) || format == QLatin1String("application/x-qt-image"))
            continue;
        const QByteArray bytes = data->data(format);
        // A format that yields nothing (the owner refused it, or timed out) is left out.
        if (!bytes.isEmpty())
            item.insert(format, bytes);
    }
    if (item.isEmpty())
        return {};
    return {item};
}

void QtPasteboard::clear() {
    if (QClipboard* board = clipboard())
        board->clear(QClipboard::Clipboard);
}

void QtPasteboard::write(const QList<PasteboardItem>& items) {
    QClipboard* board = clipboard();
    if (!board)
        return;
    if (items.isEmpty()) {
        board->clear(QClipboard::Clipboard);
        return;
    }
    // The X11 selection holds a single item; the first one is the one that counts.
    const PasteboardItem& item = items.first();
    auto* data = new QMimeData;
    for (auto it = item.constBegin(); it != item.constEnd(); ++it)
        data->setData(it.key(), it.value());
    // Programs ask X11 for UTF8_STRING, which Qt only offers for "text/plain".
    if (item.contains(PasteboardType::plainText) && !item.contains(QStringLiteral("text/plain")))
        data->setData(QStringLiteral("text/plain"), item.value(PasteboardType::plainText));
    board->setMimeData(data, QClipboard::Clipboard);
}

std::optional<QString> QtPasteboard::plainText() {
    QClipboard* board = clipboard();
    const QMimeData* data = board ? board->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

bool QtPasteboard::supportsSelection() {
    QClipboard* board = clipboard();
    return board && board->supportsSelection();
}

std::optional<QString> QtPasteboard::selectionText() {
    QClipboard* board = clipboard();
    if (!board || !board->supportsSelection())
        return std::nullopt;
    const QMimeData* data = board->mimeData(QClipboard::Selection);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

}  // namespace quillet
