// A D-Bus service of the test's own on the session bus, for the calls Quillet makes to a desktop's
// services.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>

namespace quillet::test {

// A service of the test's own: every call to `service`, on any path, is answered by answer(). It
// answers on a thread of its own, as the program waits for some answers without running its loop;
// the tests change what it answers only between calls.
class FakeDBusService : public QDBusVirtualObject {
public:
    explicit FakeDBusService(const QString& service)
        : m_service(service), m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, service)) {
        moveToThread(&m_thread);
        m_thread.start();
        m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
        m_bus.registerService(m_service);
    }
    ~FakeDBusService() override {
        m_bus.unregisterService(m_service);
        m_bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(m_service);
        m_thread.quit();
        m_thread.wait();
    }

    /// Each call so far as "member(arguments)", the arguments as the service received them.
    QStringList calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    void clearCalls() {
        QMutexLocker lock(&m_mutex);
        m_calls.clear();
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        QStringList arguments;
        for (const QVariant& argument : message.arguments())
            arguments << describe(argument);
        QMutexLocker lock(&m_mutex);
        m_calls << message.member() + "(" + arguments.join(", ") + ")";
        bus.send(answer(message));
        return true;
    }

    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        m_bus.send(signal);
    }

protected:
    virtual QDBusMessage answer(const QDBusMessage& message) = 0;

private:
    static QString describe(const QVariant& value) {
        if (value.metaType() == QMetaType::fromType<QStringList>())
            return "[" + value.toStringList().join(", ") + "]";
        if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
            QStringList items;
            for (int item : qdbus_cast<QList<int>>(value))
                items << QString::number(item);
            return "[" + items.join(", ") + "]";
        }
        return value.toString();
    }

    QString m_service;
    QDBusConnection m_bus;
    QThread m_thread;
    mutable QMutex m_mutex;
    QStringList m_calls;
};

}  // namespace quillet::test
