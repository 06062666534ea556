// Quillet's side of its GNOME Shell extension (resources/gnome-shell): the calls that place the icon,
#include "platform/linux/gnome-shell/GnomeShellBridge.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QStandardPaths>

namespace quillet {

namespace {

struct ShellRect {
    int x = 0, y = 0, width = 0, height = 0;
};

QDBusArgument& operator<<(QDBusArgument& arg, const ShellRect& r) {
    arg.beginStructure();
    arg << r.x << r.y << r.width << r.height;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, ShellRect& r) {
    arg.beginStructure();
    arg >> r.x >> r.y >> r.width >> r.height;
    arg.endStructure();
    return arg;
}

Rect rectOf(const QVariant& value) {
    const ShellRect r = qdbus_cast<ShellRect>(value);
    return Rect(r.x, r.y, r.width, r.height);
}

QVariant argumentOf(const QRect& rect) {
    return QVariant::fromValue(ShellRect{rect.x(), rect.y(), rect.width(), rect.height()});
}

using Formats = QMap<QString, QByteArray>;

// Names the bus or the shell answers with when nobody is there to take the call.
bool saysGone(const QString& error) {
    return error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
           error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           error.endsWith(QLatin1String(".Error.AccessDenied"));
}

// The calls the extension answers only within a grant: refused outside one, while it still serves
// this program.
bool needsGrant(const QString& method) {
    for (const char* name :
         {"GetClipboard", "SetClipboard", "GetSelectionText", "PressKeys", "ActivateProcess", "RenewGrant"})
        if (method == QLatin1String(name))
            return true;
    return false;
}

// GNOME Shell's numbers for an extension's state (misc/extensionUtils.js).
enum ShellState { enabled = 1, disabledState = 2, error = 3, outOfDate = 4, initialized = 6 };

}  // namespace

}  // namespace quillet

Q_DECLARE_METATYPE(quillet::ShellRect)

namespace quillet {

GnomeShellBridge::GnomeShellBridge(const QDBusConnection& bus, QObject* parent)
    : CompositorBridge(parent), m_bus(bus) {
    qDBusRegisterMetaType<ShellRect>();
    qDBusRegisterMetaType<Formats>();
    // The signals that carry anything are sent to this program alone; Ready goes to everyone.
    for (const auto& [name, slot] : {std::pair{"WindowChanged", SLOT(onWindowChanged(QDBusMessage))},
                                     std::pair{"IconClicked", SLOT(onIconClicked(QDBusMessage))},
                                     std::pair{"ShortcutPressed", SLOT(onShortcutPressed(QDBusMessage))},
                                     std::pair{"Ready", SLOT(onReady(QDBusMessage))}})
        m_bus.connect(service, path, interface, QString::fromLatin1(name), this, slot);
}

GnomeShellBridge::~GnomeShellBridge() = default;

std::optional<QDBusMessage> GnomeShellBridge::call(const QString& method, const QList<QVariant>& arguments,
                                                   int timeoutMs) {
    if (!m_bus.isConnected())
        return std::nullopt;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply;
    const bool noGrant =
        needsGrant(method) && reply.errorName().endsWith(QLatin1String(".Error.AccessDenied"));
    if (saysGone(reply.errorName()) && !noGrant)
        setActive(false);
    return std::nullopt;
}

void GnomeShellBridge::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    if (!active)
        m_windowKnown = false;
    Q_EMIT activeChanged(active);
}

bool GnomeShellBridge::connectToShell(bool client) {
    m_client = client;
    const std::optional<QDBusMessage> reply = call(QStringLiteral("Hello"), {client});
    const bool speaks = reply && reply->arguments().value(0).toUInt() == protocolVersion;
    setActive(speaks);
    if (speaks)
        focusedWindow(0);
    return speaks;
}

ShellExtensionStatus GnomeShellBridge::status() {
    ShellExtensionStatus status;
    QDBusMessage get = QDBusMessage::createMethodCall(service, QStringLiteral("/org/gnome/Shell"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get.setArguments({QStringLiteral("org.gnome.Shell"), QStringLiteral("ShellVersion")});
    const QDBusMessage version = m_bus.call(get, QDBus::Block, callTimeoutMs);
    if (version.type() != QDBusMessage::ReplyMessage) {
        status.state = ShellExtensionState::noShell;
        return status;
    }
    status.shellVersion = version.arguments().value(0).value<QDBusVariant>().variant().toString();

    QDBusMessage hello = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Hello"));
    hello.setArguments({false});
    const QDBusMessage answer = m_bus.call(hello, QDBus::Block, callTimeoutMs);
    if (answer.type() == QDBusMessage::ReplyMessage) {
        status.state = answer.arguments().value(0).toUInt() == protocolVersion
                           ? ShellExtensionState::active
                           : ShellExtensionState::outdated;
        return status;
    }

    QDBusMessage ask = QDBusMessage::createMethodCall(service, QStringLiteral("/org/gnome/Shell"),
                                                      QStringLiteral("org.gnome.Shell.Extensions"),
                                                      QStringLiteral("GetExtensionInfo"));
    ask.setArguments({uuid});
    const QVariantMap info =
        qdbus_cast<QVariantMap>(m_bus.call(ask, QDBus::Block, callTimeoutMs).arguments().value(0));
    if (answer.errorName().endsWith(QLatin1String(".Error.UnsafeInstall"))) {
        // "Writable by the user GNOME Shell runs as: <path>"
        status.state = ShellExtensionState::unsafeInstall;
        status.detail = answer.errorMessage().section(QStringLiteral(": "), 1);
        return status;
    }
    if (answer.errorName().endsWith(QLatin1String(".Error.AccessDenied"))) {
        status.state = ShellExtensionState::refused;
        status.detail = info.value(QStringLiteral("quillet-program")).toString();
        return status;
    }
    if (info.isEmpty()) {
        // The shell reads the extensions' folders once, when it starts.
        const bool installed = !QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                       QStringLiteral("gnome-shell/extensions/") + uuid +
                                                           QStringLiteral("/metadata.json"))
                                    .isEmpty();
        status.state = installed ? ShellExtensionState::notLoaded : ShellExtensionState::notInstalled;
        return status;
    }
    switch (int(info.value(QStringLiteral("state")).toDouble())) {
        case error:
            status.state = ShellExtensionState::failed;
            status.detail = info.value(QStringLiteral("error")).toString();
            return status;
        case outOfDate:
            status.state = ShellExtensionState::unsupported;
            return status;
        case enabled:
            // Switched on, yet not answering: it failed on its way up.
            status.state = ShellExtensionState::failed;
            status.detail = info.value(QStringLiteral("error")).toString();
            return status;
        default:
            break;
    }
    get.setArguments({QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("UserExtensionsEnabled")});
    const QDBusMessage userExtensions = m_bus.call(get, QDBus::Block, callTimeoutMs);
    const bool allOff = userExtensions.type() == QDBusMessage::ReplyMessage &&
                        !userExtensions.arguments().value(0).value<QDBusVariant>().variant().toBool();
    status.state = allOff ? ShellExtensionState::userExtensionsOff : ShellExtensionState::disabled;
    return status;
}

std::optional<ScreenPosition::WindowRects> GnomeShellBridge::focusedWindow(qint32 pid) {
    if (!knowsWindows())
        return std::nullopt;
    // The shell says when the focus or the window changes; a field of another process may be one
    // step ahead of that news, and is asked about at once.
    if (!m_windowKnown || m_windowPid != pid) {
        if (const std::optional<QDBusMessage> reply = call(QStringLiteral("FocusedWindow")))
            takeWindow(*reply, 0);
    }
    if (!m_windowKnown || pid == 0 || m_windowPid != pid)
        return std::nullopt;
    return m_window;
}

void GnomeShellBridge::takeWindow(const QDBusMessage& message, int first) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < first + 3)
        return;
    m_windowPid = qint32(args.value(first).toUInt());
    m_window = ScreenPosition::WindowRects{rectOf(args.value(first + 1)), rectOf(args.value(first + 2))};
    m_windowKnown = true;
}

bool GnomeShellBridge::fromSignal(const QDBusMessage& message) const {
    // QtDBus matches the sender to the shell's name; the path and interface are checked here too.
    return message.path() == path && message.interface() == interface;
}

void GnomeShellBridge::onWindowChanged(const QDBusMessage& message) {
    if (fromSignal(message))
        takeWindow(message, 0);
}

void GnomeShellBridge::onIconClicked(const QDBusMessage& message) {
    if (fromSignal(message) && m_active)
        Q_EMIT iconClicked();
}

void GnomeShellBridge::onShortcutPressed(const QDBusMessage& message) {
    if (fromSignal(message) && m_active)
        Q_EMIT shortcutPressed();
}

void GnomeShellBridge::onReady(const QDBusMessage& message) {
    // Switched on (again) while this program runs.
    if (fromSignal(message))
        connectToShell(m_client);
}

bool GnomeShellBridge::showIcon(const QRect& rect, const QString& state, const QString& tooltip) {
    return m_active && call(QStringLiteral("ShowIcon"), {argumentOf(rect), state, tooltip}).has_value();
}

void GnomeShellBridge::hideIcon() {
    if (m_active)
        call(QStringLiteral("HideIcon"));
}

bool GnomeShellBridge::placeWindow(const QString& title, const QRect& rect, bool focus) {
    return m_active && call(QStringLiteral("PlaceWindow"), {title, argumentOf(rect), focus}).has_value();
}

bool GnomeShellBridge::activateProcess(qint32 pid) {
    if (!m_active || pid <= 0)
        return false;
    const std::optional<QDBusMessage> reply = call(QStringLiteral("ActivateProcess"), {uint(pid)});
    return reply && reply->arguments().value(0).toBool();
}

std::optional<GnomeShellBridge::ClipboardContents> GnomeShellBridge::clipboard() {
    if (!m_active)
        return std::nullopt;
    // Each format may take the owner up to a second; the extension stops at the first silent one.
    const std::optional<QDBusMessage> reply = call(QStringLiteral("GetClipboard"), {}, 4 * callTimeoutMs);
    if (!reply)
        return std::nullopt;
    return ClipboardContents{qdbus_cast<Formats>(reply->arguments().value(0)),
                             reply->arguments().value(1).toBool()};
}

bool GnomeShellBridge::setClipboard(const QMap<QString, QByteArray>& formats) {
    return m_active && call(QStringLiteral("SetClipboard"), {QVariant::fromValue(formats)}).has_value();
}

std::optional<quint64> GnomeShellBridge::clipboardChanges() {
    if (!m_active)
        return std::nullopt;
    const std::optional<QDBusMessage> reply = call(QStringLiteral("ClipboardChanges"));
    if (!reply)
        return std::nullopt;
    return reply->arguments().value(0).toULongLong();
}

std::optional<QString> GnomeShellBridge::selectionText() {
    if (!m_active)
        return std::nullopt;
    const std::optional<QDBusMessage> reply = call(QStringLiteral("GetSelectionText"), {}, 2 * callTimeoutMs);
    if (!reply || !reply->arguments().value(0).toBool())
        return std::nullopt;
    return reply->arguments().value(1).toString();
}

bool GnomeShellBridge::pressKeys(const QString& keys, uint count) {
    if (!m_active)
        return false;
    // The extension first waits up to a second for the user's own modifiers to come up.
    const std::optional<QDBusMessage> reply =
        call(QStringLiteral("PressKeys"), {keys, count}, 3 * callTimeoutMs + int(count) * 10);
    return reply && reply->arguments().value(0).toBool();
}

QString GnomeShellBridge::setShortcut(const QString& accelerator) {
    if (!m_active)
        return QStringLiteral("unanswered");
    const std::optional<QDBusMessage> reply = call(QStringLiteral("SetShortcut"), {accelerator});
    return reply ? reply->arguments().value(0).toString() : QStringLiteral("unanswered");
}

void GnomeShellBridge::suspendShortcut(bool suspended) {
    if (m_active)
        call(QStringLiteral("SuspendShortcut"), {suspended});
}

bool GnomeShellBridge::renewGrant() {
    return m_active && call(QStringLiteral("RenewGrant")).has_value();
}

void GnomeShellBridge::endGrant() {
    if (m_active)
        call(QStringLiteral("EndGrant"));
}

}  // namespace quillet
