// The global shortcut on KDE Plasma, where no program may grab keys itself under Wayland: the
// combination is registered with KDE's own shortcut service (KGlobalAccel, on the session bus),
// which shows it in System Settings and reports each press.
#pragma once

#include <QDBusConnection>
#include <QKeyCombination>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class KGlobalAccelComponentProxy;
class KGlobalAccelProxy;

namespace quillet {

class KGlobalAccelShortcut : public QObject {
    Q_OBJECT
public:
    /// How the program and its one action are known to KDE (the names its settings file keeps).
    static inline const QString componentName = QStringLiteral("quillet");
    static inline const QString actionName = QStringLiteral("trigger");
    static inline const QString serviceName = QStringLiteral("org.kde.kglobalaccel");

    enum class Failure {
        noService,  ///< KDE's shortcut service is not running on this session bus
        taken,      ///< another program or KDE itself holds the combination
        refused,    ///< the service did not answer, or answered something else
    };

    /// `componentTitle` and `actionTitle` are what KDE's shortcut settings show for the program.
    KGlobalAccelShortcut(const QString& componentTitle, const QString& actionTitle,
                         const QDBusConnection& bus = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);
    ~KGlobalAccelShortcut() override;

    /// Whether KDE's shortcut service runs now. It is never started for the asking: started
    /// outside Plasma it would hold combinations that no key can reach.
    bool isAvailable() const;
    /// Binds `combination` to the action in place of the one bound so far; on failure the previous
    /// combination stays bound. `onPress` runs on the main thread for each press.
    std::optional<Failure> bind(QKeyCombination combination, std::function<void()> onPress);
    /// Leaves the action in KDE's settings with no live binding; harmless when nothing is bound.
    void release();
    /// The combination bound now, if any.
    const std::optional<QKeyCombination>& bound() const { return m_bound; }

private:
    void onShortcutPressed(const QString& component, const QString& action, qlonglong timestamp);
    QStringList actionId() const;
    /// The service as it runs now, its calls bounded in time; calling it never starts it.
    std::unique_ptr<KGlobalAccelProxy> service() const;
    std::optional<QList<int>> setKeys(KGlobalAccelProxy& service, const QList<int>& keys, uint flags);
    /// Whether another program's action has `key` in KDE's service.
    bool heldElsewhere(KGlobalAccelProxy& service, int key) const;
    bool listen(KGlobalAccelProxy& service);

    QDBusConnection m_bus;
    QString m_componentTitle;
    QString m_actionTitle;
    std::function<void()> m_onPress;
    std::optional<QKeyCombination> m_bound;
    /// The program's object in the service, whose signals report the presses, once listened to.
    std::unique_ptr<KGlobalAccelComponentProxy> m_component;
};

}  // namespace quillet
