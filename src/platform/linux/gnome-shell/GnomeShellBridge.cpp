// Quillet's side of its GNOME Shell extension (resources/gnome-shell): the calls that place the icon,
#include "platform/linux/gnome-shell/GnomeShellBridge.h"

#include "gnomeshellproxy.h"
#include "shellextensionsproxy.h"
#include "shellproxy.h"

#include <QDBusMetaType>
#include <QStandardPaths>

namespace quillet {

namespace {

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

// Where GNOME Shell serves its own interfaces.
const QString shellPath = QStringLiteral("/org/gnome/Shell");

// GNOME Shell's numbers for an extension's state (misc/extensionUtils.js).
enum ShellState { enabled = 1, disabledState = 2, error = 3, outOfDate = 4, initialized = 6 };

}  // namespace

GnomeShellBridge::GnomeShellBridge(const QDBusConnection& bus, QObject* parent)
    : CompositorBridge(parent), m_bus(bus), m_shell(std::make_unique<ShellProxy>(service, path, m_bus)) {
    qDBusRegisterMetaType<QuilletShellFormats>();
    // The signals that carry anything are sent to this program alone; Ready goes to everyone.
    connect(m_shell.get(), &ShellProxy::WindowChanged, this, &GnomeShellBridge::takeWindow);
    connect(m_shell.get(), &ShellProxy::IconClicked, this, [this] {
        if (m_active)
            Q_EMIT iconClicked();
    });
    connect(m_shell.get(), &ShellProxy::ShortcutPressed, this, [this] {
        if (m_active)
            Q_EMIT shortcutPressed();
    });
    // Switched on (again) while this program runs.
    connect(m_shell.get(), &ShellProxy::Ready, this, [this] { connectToShell(m_client); });
}

GnomeShellBridge::~GnomeShellBridge() = default;

template <typename Call>
auto GnomeShellBridge::answer(const char* method, int timeoutMs, Call&& call)
    -> std::optional<decltype(call())> {
    if (!m_bus.isConnected())
        return std::nullopt;
    m_shell->setTimeout(timeoutMs);
    auto reply = call();
    reply.waitForFinished();
    if (!reply.isError())
        return reply;
    const QString error = reply.error().name();
    const bool noGrant =
        needsGrant(QLatin1String(method)) && error.endsWith(QLatin1String(".Error.AccessDenied"));
    if (saysGone(error) && !noGrant)
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
    const auto reply = answer("Hello", callTimeoutMs, [&] { return m_shell->Hello(client); });
    const bool speaks = reply && reply->value() == protocolVersion;
    setActive(speaks);
    if (speaks)
        focusedWindow(0);
    return speaks;
}

ShellExtensionStatus GnomeShellBridge::status() {
    ShellExtensionStatus status;
    // Properties are read by name, not through the typed getters: those cannot tell a failed read
    // from an empty value.
    GnomeShellProxy shell(service, shellPath, m_bus);
    shell.setTimeout(callTimeoutMs);
    const QVariant version = shell.property("ShellVersion");
    if (!version.isValid()) {
        status.state = ShellExtensionState::noShell;
        return status;
    }
    status.shellVersion = version.toString();

    m_shell->setTimeout(callTimeoutMs);
    QDBusPendingReply<uint> hello = m_shell->Hello(false);
    hello.waitForFinished();
    if (!hello.isError()) {
        status.state =
            hello.value() == protocolVersion ? ShellExtensionState::active : ShellExtensionState::outdated;
        return status;
    }

    ShellExtensionsProxy extensions(service, shellPath, m_bus);
    extensions.setTimeout(callTimeoutMs);
    QDBusPendingReply<QVariantMap> infoReply = extensions.GetExtensionInfo(uuid);
    infoReply.waitForFinished();
    const QVariantMap info = infoReply.isError() ? QVariantMap() : infoReply.value();
    if (hello.error().name().endsWith(QLatin1String(".Error.UnsafeInstall"))) {
        // "Writable by the user GNOME Shell runs as: <path>"
        status.state = ShellExtensionState::unsafeInstall;
        status.detail = hello.error().message().section(QStringLiteral(": "), 1);
        return status;
    }
    if (hello.error().name().endsWith(QLatin1String(".Error.AccessDenied"))) {
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
    const QVariant userExtensions = extensions.property("UserExtensionsEnabled");
    const bool allOff = userExtensions.isValid() && !userExtensions.toBool();
    status.state = allOff ? ShellExtensionState::userExtensionsOff : ShellExtensionState::disabled;
    return status;
}

std::optional<ScreenPosition::WindowRects> GnomeShellBridge::focusedWindow(qint32 pid) {
    if (!knowsWindows())
        return std::nullopt;
    // The shell says when the focus or the window changes; a field of another process may be one
    // step ahead of that news, and is asked about at once.
    if (!m_windowKnown || m_windowPid != pid) {
        if (const auto reply =
                answer("FocusedWindow", callTimeoutMs, [&] { return m_shell->FocusedWindow(); }))
            takeWindow(reply->argumentAt<0>(), reply->argumentAt<1>(), reply->argumentAt<2>());
    }
    if (!m_windowKnown || pid == 0 || m_windowPid != pid)
        return std::nullopt;
    return m_window;
}

void GnomeShellBridge::takeWindow(uint pid, const QRect& frame, const QRect& buffer) {
    m_windowPid = qint32(pid);
    m_window = ScreenPosition::WindowRects{Rect(frame.x(), frame.y(), frame.width(), frame.height()),
                                           Rect(buffer.x(), buffer.y(), buffer.width(), buffer.height())};
    m_windowKnown = true;
}

bool GnomeShellBridge::showIcon(const QRect& rect, const QString& state, const QString& tooltip) {
    return m_active && answer("ShowIcon", callTimeoutMs, [&] {
                           return m_shell->ShowIcon(rect, state, tooltip);
                       }).has_value();
}

void GnomeShellBridge::hideIcon() {
    if (m_active)
        answer("HideIcon", callTimeoutMs, [&] { return m_shell->HideIcon(); });
}

bool GnomeShellBridge::placeWindow(const QString& title, const QRect& rect, bool focus) {
    return m_active && answer("PlaceWindow", callTimeoutMs, [&] {
                           return m_shell->PlaceWindow(title, rect, focus);
                       }).has_value();
}

bool GnomeShellBridge::activateProcess(qint32 pid) {
    if (!m_active || pid <= 0)
        return false;
    const auto reply =
        answer("ActivateProcess", callTimeoutMs, [&] { return m_shell->ActivateProcess(uint(pid)); });
    return reply && reply->value();
}

std::optional<GnomeShellBridge::ClipboardContents> GnomeShellBridge::clipboard() {
    if (!m_active)
        return std::nullopt;
    // Each format may take the owner up to a second; the extension stops at the first silent one.
    const auto reply = answer("GetClipboard", 4 * callTimeoutMs, [&] { return m_shell->GetClipboard(); });
    if (!reply)
        return std::nullopt;
    return ClipboardContents{reply->argumentAt<0>(), reply->argumentAt<1>()};
}

bool GnomeShellBridge::setClipboard(const QMap<QString, QByteArray>& formats) {
    return m_active &&
           answer("SetClipboard", callTimeoutMs, [&] { return m_shell->SetClipboard(formats); }).has_value();
}

std::optional<quint64> GnomeShellBridge::clipboardChanges() {
    if (!m_active)
        return std::nullopt;
    const auto reply = answer("ClipboardChanges", callTimeoutMs, [&] { return m_shell->ClipboardChanges(); });
    if (!reply)
        return std::nullopt;
    return reply->value();
}

std::optional<QString> GnomeShellBridge::selectionText() {
    if (!m_active)
        return std::nullopt;
    const auto reply =
        answer("GetSelectionText", 2 * callTimeoutMs, [&] { return m_shell->GetSelectionText(); });
    if (!reply || !reply->argumentAt<0>())
        return std::nullopt;
    return reply->argumentAt<1>();
}

bool GnomeShellBridge::pressKeys(const QString& keys, uint count) {
    if (!m_active)
        return false;
    // The extension first waits up to a second for the user's own modifiers to come up.
    const auto reply = answer("PressKeys", 3 * callTimeoutMs + int(count) * 10,
                              [&] { return m_shell->PressKeys(keys, count); });
    return reply && reply->value();
}

QString GnomeShellBridge::setShortcut(const QString& accelerator) {
    if (!m_active)
        return QStringLiteral("unanswered");
    const auto reply =
        answer("SetShortcut", callTimeoutMs, [&] { return m_shell->SetShortcut(accelerator); });
    return reply ? reply->value() : QStringLiteral("unanswered");
}

void GnomeShellBridge::suspendShortcut(bool suspended) {
    if (m_active)
        answer("SuspendShortcut", callTimeoutMs, [&] { return m_shell->SuspendShortcut(suspended); });
}

bool GnomeShellBridge::renewGrant() {
    return m_active && answer("RenewGrant", callTimeoutMs, [&] { return m_shell->RenewGrant(); }).has_value();
}

void GnomeShellBridge::endGrant() {
    if (m_active)
        answer("EndGrant", callTimeoutMs, [&] { return m_shell->EndGrant(); });
}

}  // namespace quillet
