// The offline platform: services that reach nothing outside the process, for drawing the program's
// views with demonstration data (no display, network, keyring or preferences file is touched).
#pragma once

#include <QMap>
#include <QVariant>

#include "platform/Accessibility.h"
#include "platform/Autostart.h"
#include "platform/Clipboard.h"
#include "platform/Defaults.h"
#include "platform/HttpTransport.h"
#include "platform/LanguageRecognizer.h"
#include "platform/Scheduler.h"
#include "platform/SecretStore.h"
#include "platform/SystemLog.h"

namespace quillet::offline {

/// A clock that never moves: no timer fires and no deferred call runs.
class StoppedScheduler final : public Scheduler {
public:
    TimerId after(std::chrono::milliseconds, std::function<void()>) override { return ++m_next; }
    TimerId every(std::chrono::milliseconds, std::function<void()>) override { return ++m_next; }
    void post(std::function<void()>) override {}
    void cancel(TimerId) override {}
    std::chrono::milliseconds now() const override { return std::chrono::milliseconds(0); }

private:
    TimerId m_next = 0;
};

/// Secrets kept in memory for the process's life; every call answers at once.
class MemorySecretStore final : public SecretStore {
public:
    Ticket read(const Item& item, std::function<void(Reply)> done) override;
    Ticket write(const Item& item, const QByteArray& secret, std::function<void(Status)> done) override;
    Ticket remove(const Item& item, std::function<void(Status)> done) override;
    Ticket unlock(const Item& item, std::function<void(bool)> done) override;
    void cancel(Ticket) override {}

    QMap<Item, QByteArray> items;

private:
    Ticket m_next = 0;
};

/// Preferences read through to `shown` (may be null) and written to memory only: a value written
/// here hides the one shown, and `shown` is never changed.
class OverlayDefaults final : public Defaults {
public:
    explicit OverlayDefaults(const Defaults* shown) : m_shown(shown) {}
    std::optional<QString> string(const QString& key) const override;
    std::optional<qint64> integer(const QString& key) const override;
    std::optional<bool> boolean(const QString& key) const override;
    std::optional<QStringList> stringList(const QString& key) const override;
    bool setString(const QString& key, const QString& value) override { return write(key, value); }
    bool setInteger(const QString& key, qint64 value) override { return write(key, value); }
    bool setBoolean(const QString& key, bool value) override { return write(key, value); }
    bool setStringList(const QString& key, const QStringList& value) override { return write(key, value); }

private:
    template <typename T>
    std::optional<T> read(const QString& key,
                          std::optional<T> (Defaults::*shownRead)(const QString&) const) const;

    bool write(const QString& key, const QVariant& value) {
        m_written[key] = value;
        return true;
    }

    const Defaults* m_shown;
    QMap<QString, QVariant> m_written;
};

/// Starting at login neither registers nor unregisters anything, and says so by succeeding.
class NoAutostart final : public Autostart {
public:
    std::optional<QString> registerItem() override { return std::nullopt; }
    std::optional<QString> unregisterItem() override { return std::nullopt; }
};

/// A log that keeps nothing.
class SilentLog final : public SystemLog {
public:
    void write(const QString&) override {}
};

/// A network that never answers: a request stays on its way.
class UnansweredHttp final : public HttpTransport {
public:
    HttpRequestId send(const HttpRequest&, std::function<void(HttpReply)>) override { return ++m_next; }
    void cancel(HttpRequestId) override {}

private:
    HttpRequestId m_next = 0;
};

/// No language is ever recognised.
class NoLanguages final : public LanguageRecognizer {
public:
    std::optional<QString> dominantLanguage(const QString&) const override { return std::nullopt; }
};

/// A clipboard of this process alone.
class MemoryClipboard final : public Clipboard {
public:
    QList<ClipboardItem> items() override { return m_items; }
    void clear() override;
    void write(const QList<ClipboardItem>& items) override;
    std::optional<QString> plainText() override;
    qint64 serial() override { return m_changes; }

private:
    QList<ClipboardItem> m_items;
    qint64 m_changes = 0;
};

/// A desktop with no application to follow; `trusted` is what the permission reads.
class NoAccessibility final : public Accessibility {
public:
    explicit NoAccessibility(bool trusted) : m_trusted(trusted) {}
    bool accessibilityEnabled() override { return m_trusted; }
    void enableAccessibility() override {}
    bool passwordFieldFocused() override { return false; }
    Accessible root() override { return {}; }
    Accessible application(qint32) override { return {}; }
    Answer<Accessible> focusedElement() override { return AccessError::noValue; }
    Answer<QString> role(const Accessible&) override { return AccessError::invalidElement; }
    Answer<QString> text(const Accessible&) override { return AccessError::invalidElement; }
    Answer<QString> selectedText(const Accessible&) override { return AccessError::invalidElement; }
    Answer<TextRange> selection(const Accessible&) override { return AccessError::invalidElement; }
    Answer<qint64> characterCount(const Accessible&) override { return AccessError::invalidElement; }
    Answer<qint64> caretOffset(const Accessible&) override { return AccessError::invalidElement; }
    Answer<QString> textNearCaret(const Accessible&) override { return AccessError::invalidElement; }
    Answer<Rect> frame(const Accessible&) override { return AccessError::invalidElement; }
    bool isRichText(const Accessible&) override { return false; }
    bool hidesSelection(const Accessible&) override { return false; }
    bool canSetText(const Accessible&) override { return false; }
    bool canReplaceSelection(const Accessible&) override { return false; }
    AccessError setText(const Accessible&, const QString&) override { return AccessError::invalidElement; }
    AccessError replaceSelection(const Accessible&, const QString&) override {
        return AccessError::invalidElement;
    }
    AccessError select(const Accessible&, const TextRange&) override { return AccessError::invalidElement; }
    AccessError pid(const Accessible&, qint32&) override { return AccessError::invalidElement; }
    std::unique_ptr<EventWatch> createWatch(qint32, AccessEventHandler) override { return nullptr; }

private:
    bool m_trusted;
};

}  // namespace quillet::offline
