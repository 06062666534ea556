// Shared set-up of the core tests: a settings store on fakes, a chat client on a fake transport, and an
// editor written to through the text roads, each on a virtual clock.
#pragma once

#include <gmock/gmock.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

#include "core/OpenAIClient.h"
#include "core/PasteTarget.h"
#include "core/Prompts.h"
#include "core/SettingsStore.h"
#include "core/TextIO.h"
#include "platform/fake/FakeAccessibility.h"
#include "platform/fake/FakeAutostart.h"
#include "platform/fake/FakeClipboard.h"
#include "platform/fake/FakeDefaults.h"
#include "platform/fake/FakeEditor.h"
#include "platform/fake/FakeHttpTransport.h"
#include "platform/fake/FakeKeySynth.h"
#include "platform/fake/FakeLanguageRecognizer.h"
#include "platform/fake/FakeScheduler.h"
#include "platform/fake/FakeScreens.h"
#include "platform/fake/FakeSecretStore.h"
#include "support/ScopedSettings.h"

namespace quillet::test {

/// The preferences and the keyring on fakes; `load()` is one start of the program.
class StoreTest : public testing::Test {
protected:
    std::unique_ptr<SettingsStore> load() {
        return std::make_unique<SettingsStore>(defaults, secrets, autostart, log, scheduler);
    }
    FakeScheduler scheduler;
    FakeDefaults defaults;
    FakeSecretStore secrets;
    FakeAutostart autostart;
    FakeSystemLog log;
};

/// A chat-completions answer whose message is `content`.
inline QByteArray chatReply(const QString& content) {
    const QJsonObject message{{"role", "assistant"}, {"content", content}};
    const QJsonObject choice{{"index", 0}, {"message", message}, {"finish_reason", "stop"}};
    return QJsonDocument(QJsonObject{{"id", "x"}, {"choices", QJsonArray{choice}}, {"usage", QJsonObject{}}})
        .toJson(QJsonDocument::Compact);
}

/// `answer` as a server streams it: `size` characters an event, ended with [DONE] when `done`.
inline QList<QByteArray> streamedEvents(const QString& answer, int size, bool done = true) {
    QList<QByteArray> events{": keep-alive\n\n",
                             "data: {\"choices\": [{\"delta\": {\"role\": \"assistant\"}}]}\n\n"};
    for (qsizetype i = 0; i < answer.size(); i += size) {
        const QJsonObject choice{{"index", 0},
                                 {"delta", QJsonObject{{"content", answer.mid(i, size)}}},
                                 {"finish_reason", QJsonValue::Null}};
        const QJsonObject chunk{{"object", "chat.completion.chunk"}, {"choices", QJsonArray{choice}}};
        events << "data: " + QJsonDocument(chunk).toJson(QJsonDocument::Compact) + "\n\n";
    }
    if (done)
        events << "data: [DONE]\n\n";
    return events;
}

/// A chat client on a fake transport, the interface language installed.
class ClientTest : public testing::Test {
protected:
    OpenAIClient client(const QString& key = QStringLiteral("sk-test"),
                        const QString& base = SettingsStore::defaultApiBaseURL) const {
        return OpenAIClient(base, key, QStringLiteral("gpt-4o-mini"), transport, scheduler, recognizer);
    }
    /// Starts a correction; its outcome lands in the returned slot.
    std::shared_ptr<std::optional<Outcome<CorrectionResult>>> ask(
        const OpenAIClient& c, const QString& text = QStringLiteral("I goed.")) const {
        auto out = std::make_shared<std::optional<Outcome<CorrectionResult>>>();
        c.request<CorrectionResult>(Prompts::proofreading(), text, 0.2,
                                    [out](Outcome<CorrectionResult> o) { *out = std::move(o); });
        return out;
    }
    /// The JSON body of request `i`, and the content of its message `m`.
    QJsonObject sentBody(qsizetype i) const {
        return QJsonDocument::fromJson(transport.requests[i].body).object();
    }
    QString sentMessage(qsizetype i, int m) const {
        return sentBody(i)["messages"].toArray()[m].toObject()["content"].toString();
    }
    template <typename T>
    static OpenAIError errorOf(const std::optional<Outcome<T>>& outcome) {
        EXPECT_TRUE(outcome && std::holds_alternative<OpenAIError>(*outcome));
        return outcome && std::holds_alternative<OpenAIError>(*outcome)
                   ? std::get<OpenAIError>(*outcome)
                   : OpenAIError::badResponse("no error");
    }

    ScopedSettings settings;
    mutable FakeScheduler scheduler;
    mutable FakeHttpTransport transport{scheduler};
    mutable FakeLanguageRecognizer recognizer;
};

/// An editor of the active application, written to by a `TextIO`; the user's clipboard holds
/// `userItem`.
class EditorTest : public testing::Test {
protected:
    static constexpr qint32 editorPid = 700;
    static inline const ClipboardItem userItem{{"text/plain;charset=utf-8", "user's copy"},
                                               {"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)}};

    EditorTest() {
        board.write({userItem});
        workspace.addApp({editorPid, QStringLiteral("org.xfce.mousepad"), QStringLiteral("Mousepad")});
    }
    /// A new editor holding `text`, in place of the one before.
    FakeEditor& editor(const QString& text) {
        m_editor = std::make_unique<FakeEditor>(ax, keys, board, editorPid, text);
        return *m_editor;
    }
    /// A new editor whose field takes no accessibility write and changes nothing, as a browser's
    /// text area: only a paste reaches it.
    FakeEditor& pasteOnlyEditor(const QString& text) {
        FakeEditor& e = editor(text);
        FakeAccessibility::data(e.element).ignoredWrites << Property::value << Property::selectedText;
        return e;
    }
    FocusedField fieldOf(const Accessible& element) {
        return FocusedField{element, editorPid, QStringLiteral("org.xfce.mousepad")};
    }
    using Road = std::optional<TextIO::Strategy>;
    /// The road the finished replacement took (none: it failed); nothing while it runs.
    static inline const std::optional<Road> noRoad{Road()};
    std::optional<Road> road() const {
        return outcome ? std::optional<Road>(outcome->strategy) : std::nullopt;
    }
    /// Keeps the outcome of a replacement in `outcome`.
    std::function<void(const TextIO::Outcome&)> record() {
        outcome.reset();
        return [this](const TextIO::Outcome& o) { outcome = o; };
    }

    FakeAccessibility ax;
    FakeClipboard board;
    FakeKeySynth keys;
    FakeWorkspace workspace;
    FakeScheduler scheduler;
    TextIO io{ax, board, keys, workspace, scheduler};
    std::optional<TextIO::Outcome> outcome;

private:
    std::unique_ptr<FakeEditor> m_editor;
};

}  // namespace quillet::test
