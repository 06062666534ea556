// Quillet's side of its helper script inside KWin (resources/kwin): loads it over D-Bus at start and
// unloads it at the end, hears where the active window is and when the icon is clicked, and hands
// the script its orders (the icon, the panel's place) as answers to a call it keeps open. Every script
// in KWin calls from KWin's one connection to the bus, and any program may load one: Quillet's is told
// apart by a secret chosen at each load and written only into its script, in a file of this user's.
#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

#include "platform/linux/kwin/KWinScript.h"
#include "platform/linux/shared/CompositorBridge.h"

class QDBusServiceWatcher;
class KWinProxy;
class KWinScriptingProxy;

namespace quillet {

class KWinBridge final : public CompositorBridge, protected QDBusContext {
    Q_OBJECT
public:
    static inline const QString objectPath = QStringLiteral("/com/lumenfold/quillet/KWin");
    static inline const QString kwinService = QStringLiteral("org.kde.KWin");
    /// The name KWin knows the script by.
    static inline const QString scriptName = QStringLiteral("quillet");
    /// The longest KWin is given to answer a call about scripts.
    static constexpr int callTimeoutMs = 2000;
    /// An open call is answered with no order after this long, before KWin gives up on it.
    static constexpr int keepAliveMs = 15000;

    explicit KWinBridge(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                        QObject* parent = nullptr);
    /// Unloads the script: the icon goes with it.
    ~KWinBridge() override;

    /// Writes the script for this KWin and has KWin run it (again, whenever KWin starts anew). False
    /// when KWin is not there or refused it; the script says hello once it runs (activeChanged).
    bool load();
    /// Whether the script runs and talks to this program.
    bool isActive() const override { return m_active; }

    bool knowsWindows() override { return m_active; }
    std::optional<ScreenPosition::WindowRects> focusedWindow(qint32 pid) override;

    // Each an order to the script, sent when it next asks: true while the script runs.
    bool showIcon(const QRect& rect, const QString& look, const QString& tooltip) override;
    void hideIcon() override;
    bool placeWindow(const QString& title, const QRect& rect, bool focus) override;
    bool activateProcess(qint32 pid) override;

Q_SIGNALS:
    /// The script told where the active window is now.
    void windowChanged();

public:
    // Called by the script through the bus (resources/dbus/com.lumenfold.quillet.KWin.xml), and by
    // nobody else: calls without this load's secret, or from any sender but KWin, are refused with
    // an error and change nothing.
    void Hello(const QString& secret);
    void Window(const QString& secret, const QString& json);
    void IconClicked(const QString& secret);
    QString NextOrders(const QString& secret);

private:
    bool fromScript(const QString& secret);
    bool writeScript(const QByteArray& script, const QByteArray& emblem);
    void removeScriptFile();
    void send(const QByteArray& order);
    void flush();
    void setActive(bool active);
    void unload();

    QDBusConnection m_bus;
    // KWin's scripting service and KWin itself, each call bounded by callTimeoutMs.
    std::unique_ptr<KWinScriptingProxy> m_scripting;
    std::unique_ptr<KWinProxy> m_kwin;
    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_kwinOwner;
    QString m_secret;
    QString m_scriptPath;
    bool m_active = false;
    bool m_loaded = false;
    std::optional<QDBusMessage> m_openCall;
    QList<QByteArray> m_orders;
    QTimer m_keepAlive;
    std::optional<KWinScript::ActiveWindow> m_window;
};

}  // namespace quillet
