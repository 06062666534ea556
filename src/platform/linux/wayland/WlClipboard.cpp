// The clipboard under KWin while none of Quillet's windows has the keyboard: a Wayland desktop hands
#include "platform/linux/wayland/WlClipboard.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QStandardPaths>
#include <cstring>

namespace quillet {

namespace {

// The text types a program offers, best first.
const QStringList textTypes = {ClipboardType::plainText, QStringLiteral("text/plain"),
                               QStringLiteral("UTF8_STRING"), QStringLiteral("STRING"),
                               QStringLiteral("TEXT")};

}  // namespace

WlToolsClipboard::WlToolsClipboard(std::unique_ptr<Clipboard> fallback)
    : m_fallback(std::move(fallback)),
      m_copy(QStandardPaths::findExecutable(QStringLiteral("wl-copy"))),
      m_paste(QStandardPaths::findExecutable(QStringLiteral("wl-paste"))) {
    if (isAvailable())
        m_control = std::make_unique<WlDataControl>();
}

WlToolsClipboard::~WlToolsClipboard() = default;

std::optional<QByteArray> WlToolsClipboard::run(const QString& program, const QStringList& arguments,
                                                const QByteArray& input) {
    QProcess process;
    // wl-copy stays behind to serve what it was given: it must not hold this program's pipes.
    if (program == m_copy)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return std::nullopt;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        m_timedOut = true;
        process.kill();
        process.waitForFinished(timeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return program == m_copy ? QByteArray() : process.readAllStandardOutput();
}

std::optional<QString> WlToolsClipboard::preferredType() {
    const std::optional<QByteArray> listed = run(m_paste, {QStringLiteral("--list-types")});
    if (!listed)
        return std::nullopt;
    const QStringList types = QString::fromUtf8(*listed).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& type : textTypes) {
        if (types.contains(type))
            return type;
    }
    return types.isEmpty() ? std::nullopt : std::optional<QString>(types.first());
}

QList<ClipboardItem> WlToolsClipboard::items() {
    if (!isAvailable())
        return m_fallback->items();
    m_timedOut = false;
    const std::optional<QString> type = preferredType();
    if (!type)
        return {};
    const std::optional<QByteArray> bytes =
        run(m_paste, {QStringLiteral("--no-newline"), QStringLiteral("--type"), *type});
    if (!bytes)
        return {};
    ClipboardItem item{{*type, *bytes}};
    if (textTypes.contains(*type))
        item.insert(ClipboardType::plainText, *bytes);
    return {item};
}

void WlToolsClipboard::clear() {
    if (!isAvailable() || !run(m_copy, {QStringLiteral("--clear")}))
        m_fallback->clear();
}

bool WlToolsClipboard::lend(const ClipboardItem& item) {
    // Served by this program, so gone when it quits: only for what it lends, never the user's own.
    if (!m_control || !m_control->isOffered() || !item.contains(ClipboardType::passwordManagerHint))
        return false;
    QMap<QString, QByteArray> formats;
    for (auto it = item.begin(); it != item.end(); ++it) {
        if (it.key() != ClipboardType::plainText) {
            formats.insert(it.key(), it.value());
            continue;
        }
        for (const QString& type : textTypes)
            formats.insert(type, it.value());
    }
    return m_control->offer(formats);
}

void WlToolsClipboard::write(const QList<ClipboardItem>& items) {
    if (!isAvailable())
        return m_fallback->write(items);
    if (items.isEmpty() || items.first().isEmpty())
        return clear();
    const ClipboardItem& item = items.first();
    if (lend(item))
        return;
    QString type;
    for (const QString& candidate : textTypes) {
        if (item.contains(candidate)) {
            type = candidate;
            break;
        }
    }
    if (type.isEmpty()) {
        for (auto it = item.begin(); it != item.end() && type.isEmpty(); ++it) {
            if (it.key() != ClipboardType::passwordManagerHint)
                type = it.key();
        }
    }
    // A text is offered under every text name; "text/plain" alone keeps wl-copy from guessing.
    const QString offered = textTypes.contains(type) ? QStringLiteral("text/plain;charset=utf-8") : type;
    if (type.isEmpty() || !run(m_copy, {QStringLiteral("--type"), offered}, item.value(type)))
        m_fallback->write(items);
}

std::optional<QString> WlToolsClipboard::plainText() {
    if (!isAvailable())
        return m_fallback->plainText();
    for (const ClipboardItem& item : items()) {
        if (item.contains(ClipboardType::plainText))
            return QString::fromUtf8(item.value(ClipboardType::plainText));
    }
    return std::nullopt;
}

qint64 WlToolsClipboard::serial() {
    if (!isAvailable())
        return m_fallback->serial();
    // Nothing tells this program when another one changes the clipboard: what it holds stands in.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const ClipboardItem& item : items()) {
        for (auto it = item.begin(); it != item.end(); ++it) {
            hash.addData(it.key().toUtf8());
            hash.addData(it.value());
        }
    }
    const QByteArray digest = hash.result();
    qint64 count = 0;
    memcpy(&count, digest.constData(), sizeof count);
    return count;
}

}  // namespace quillet
