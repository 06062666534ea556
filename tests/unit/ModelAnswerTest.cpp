// What a model's answer may put in front of the user and into a field: plain text only, as many
// variants as are offered, and no more of it than a text could need; and its decoding by the strict
// JSON rules.
#include <QSet>

#include "CoreTestSupport.h"
#include "core/AnswerGuard.h"
#include "core/Models.h"
#include "core/PartialAnswer.h"
#include "core/PlainText.h"
#include "core/SuggestionViewModel.h"

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
using Script = FakeHttpTransport::Script;

namespace {

// The text as written, a NUL in it included.
template <std::size_t N>
QString u(const char16_t (&text)[N]) {
    return QString::fromUtf16(text, N - 1);
}

// A correction answer whose text is `corrected`, as the model writes it (JSON escapes and all).
QString correctionAnswer(const QString& corrected) {
    const QByteArray text = QJsonDocument(QJsonArray{corrected}).toJson(QJsonDocument::Compact);
    return QStringLiteral("{\"corrected\": ") + QString::fromUtf8(text.mid(1, text.size() - 2)) +
           QStringLiteral(", \"changes\": []}");
}

QString variantsAnswer(int count) {
    QJsonArray variants;
    for (int i = 0; i < count; ++i)
        variants.append(QJsonObject{{"style", QStringLiteral("style %1").arg(i)},
                                    {"text", QStringLiteral("Text %1.").arg(i)}});
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{"variants", variants}}).toJson(QJsonDocument::Compact));
}

// What users saw go into their fields: a NUL that cut the text short, colour codes, a bell.
const QString pasted = u(u"This is a sen\u0000tence \u001b[1;31mwith\u001b[0m colour\u0007.");
const QString meant = QStringLiteral("This is a sentence with colour.");

TEST(PlainTextTest, ControlsAndEscapeSequencesGoTheRestStaysAsItIs) {
    EXPECT_EQ(PlainText::of(pasted), meant);
    const std::pair<QString, QString> cases[] = {
        {u(u"a\u001b[38;5;208mb\u001b[?25lc\u001b[2 qd"), "abcd"},  // CSI of every shape
        {u(u"a\u009b31mb"), "ab"},                                  // the 8-bit CSI
        {u(u"a\u001b]0;title\u0007b\u001b]8;;http://x\u001b\\c\u001b]2;t\u009cd"),
         "abcd"},                                                                // OSC to BEL or ST
        {u(u"a\u001bPq#0;2;0;0;0\u001b\\b\u001b_app\u001b\\c"), "abc"},          // DCS, APC
        {u(u"a\u001bcb\u001b7c\u001b(Bd\u001b=e"), "abcde"},                     // other ESC sequences
        {u(u"a\u0001\u0008\u000b\u000c\u001f\u007f\u0080\u0085\u009fb"), "ab"},  // C0, DEL, C1
        {u(u"end\u001b[1;3"), "end"},                                            // cut mid-sequence
        {u(u"end\u001b"), "end"},
        {u(u"end\u001b]0;never closed"), "end"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(PlainText::of(in), out) << in.toStdString();

    // Kept exactly: tabs and both line ends, emoji with joiners and skin tones, combining marks, right-
    // to-left text with its marks, the Unicode line and paragraph separators, other languages' letters.
    const QString kept =
        u(u"Tab\there\r\nCRLF\nLF\rCR 👩🏽‍💻 🇷🇸 e\u0301 a\u0308 \u05e9\u05dc\u05d5\u05dd "
          u"\u200f\u202bمرحبا\u202c"
          u" \u2028 \u2029 Ђорђе ß \u00a0 \ufeff \u200b");
    EXPECT_EQ(PlainText::of(kept), kept);
    EXPECT_EQ(PlainText::of(QString()), QString());
}

TEST(PartialAnswerTest, WhatStreamsIsPlainTextAndNoMoreVariantsThanOffered) {
    PartialAnswer correction;
    const QString whole = correctionAnswer(pasted);
    correction.feed(QStringView(whole).first(whole.indexOf(QStringLiteral("\", \"changes\""))));
    EXPECT_EQ(correction.corrected(), meant) << "shown as it will be written";
    // A sequence only half written does not show its start.
    PartialAnswer cut;
    cut.feed(QStringLiteral(R"({"corrected": "Red \u001b[1;3)"));
    EXPECT_EQ(cut.corrected(), "Red ");

    const QString many = variantsAnswer(500);
    PartialAnswer three;
    PartialAnswer one(1);
    for (const QChar c : many) {
        three.feed(QStringView(&c, 1));
        one.feed(QStringView(&c, 1));
        ASSERT_LE(three.variants().size(), 3);
    }
    EXPECT_EQ(three.variants().size(), 3);
    EXPECT_EQ(three.variants().last().text, "Text 2.");
    EXPECT_EQ(one.variants().size(), 1);

    PartialAnswer dirty;
    dirty.feed(QStringLiteral(R"({"variants": [{"style": "neu\u001b[0mtral", "text": "A\u0000B"}]})"));
    ASSERT_EQ(dirty.variants().size(), 1);
    EXPECT_EQ(dirty.variants()[0], (RephraseVariant{"neutral", "AB"}));
}

class ModelAnswerTest : public ClientTest {
protected:
    template <typename T>
    std::optional<Outcome<T>> answer(const QString& content,
                                     const QString& text = QStringLiteral("Some text."),
                                     qsizetype maxVariants = RephraseResult::maxVariants) {
        transport.enqueue(Script::reply(200, chatReply(content)));
        std::optional<Outcome<T>> out;
        client().request<T>(
            Prompts::rephrasing(), text, 0.7, [&](Outcome<T> o) { out = std::move(o); }, {}, maxVariants);
        scheduler.advance(1s);
        return out;
    }
    template <typename T>
    static T resultOf(const std::optional<Outcome<T>>& out) {
        EXPECT_TRUE(out && std::holds_alternative<T>(*out));
        return out && std::holds_alternative<T>(*out) ? std::get<T>(*out) : T{};
    }
};

TEST_F(ModelAnswerTest, EveryTextOfAWholeAnswerIsPlain) {
    EXPECT_EQ(resultOf(answer<CorrectionResult>(correctionAnswer(pasted))).corrected, meant);

    transport.enqueue(Script::stream(streamedEvents(correctionAnswer(pasted), 3), 10ms));
    auto streamed = ask(client());
    scheduler.advance(10s);
    EXPECT_EQ(resultOf(*streamed).corrected, meant) << "streamed too";

    const QString variants = QString::fromUtf8(
        QJsonDocument(QJsonObject{{"variants", QJsonArray{QJsonObject{{"style", u(u"\u001b[1mbold")},
                                                                      {"text", pasted}}}}})
            .toJson(QJsonDocument::Compact));
    const RephraseResult result = resultOf(answer<RephraseResult>(variants));
    ASSERT_EQ(result.variants.size(), 1);
    EXPECT_EQ(result.variants[0], (RephraseVariant{"bold", meant}));
}

TEST_F(ModelAnswerTest, ARephrasingOffersThreeAndAnActionOne) {
    EXPECT_EQ(resultOf(answer<RephraseResult>(variantsAnswer(3000))).variants.size(), 3);
    const RephraseResult action = resultOf(answer<RephraseResult>(variantsAnswer(5), "Some text.", 1));
    ASSERT_EQ(action.variants.size(), 1);
    EXPECT_EQ(action.variants[0].text, "Text 0.");
    // The ones dropped are still read: one that is no variant makes the answer no answer, as before.
    QString broken = variantsAnswer(5);
    broken.replace(QStringLiteral("\"Text 4.\""), QStringLiteral("4"));
    EXPECT_EQ(errorOf(answer<RephraseResult>(broken)), OpenAIError::badResponse(OpenAIError::jsonDetail));

    // The panel's own action asks for one.
    transport.responder = [](const HttpRequest&) { return Script::reply(200, chatReply(variantsAnswer(4))); };
    SuggestionViewModel model(QStringLiteral("Some text."), client(), {{"Shorter", "Make it shorter."}});
    model.runAction(0);
    scheduler.advance(1s);
    ASSERT_TRUE(model.actionResult(0) && model.actionResult(0)->isLoaded());
    EXPECT_EQ(model.actionResult(0)->result()->variants.size(), 1);
}

// A model in a loop: "la " for as long as the server is let.
QList<QByteArray> endlessLa(int pieces) {
    QList<QByteArray> events;
    for (int i = 0; i < pieces; ++i)
        events << R"(data: {"choices":[{"delta":{"content":"la "}}]})"
                  "\n\n";
    return events;
}

TEST_F(ModelAnswerTest, AnAnswerThatKeepsGrowingIsStoppedThereAndNotTriedAgain) {
    const QString text = QStringLiteral("A short text of forty characters, about.");
    const qsizetype limit = 10 * text.size() + AnswerGuard::runawayMargin;
    transport.enqueue(Script::stream(endlessLa(100000), 1ms));
    std::optional<Outcome<CorrectionResult>> out;
    qsizetype longestSeen = 0;
    int progressCalls = 0;
    client().request<CorrectionResult>(
        Prompts::proofreading(), text, 0.2, [&](Outcome<CorrectionResult> o) { out = std::move(o); },
        [&](const PartialAnswer& partial) {
            ++progressCalls;
            longestSeen = std::max(longestSeen, partial.corrected().size());
        });
    const auto start = scheduler.now();
    scheduler.advance(limit / 3 * 1ms + 5ms);  // the pieces up to the limit, and one turn more
    EXPECT_EQ(errorOf(out), OpenAIError::runaway());
    EXPECT_EQ(transport.inFlight(), 0u) << "its connection is closed";
    EXPECT_LE(progressCalls, limit / 3 + 1);
    scheduler.advance(10min);
    EXPECT_EQ(transport.requests.size(), 1) << "no retry starts it again";
    EXPECT_EQ(scheduler.pendingTimers(), 0u);
    EXPECT_LT(scheduler.now() - start, 11min);

    // An answer up to the limit is no loop: a long correction with its changes passes.
    const QString padded = correctionAnswer(QString(limit - correctionAnswer(QString()).size(), u'a'));
    ASSERT_EQ(padded.size(), limit);
    transport.enqueue(Script::stream(streamedEvents(padded, 40), 1ms));
    auto whole = ask(client(), text);
    scheduler.advance(1min);
    EXPECT_EQ(resultOf(*whole).corrected.size(), limit - correctionAnswer(QString()).size());
}

TEST(ModelsTest, CorrectionDecodesStrictlyWithoutDefaults) {
    auto ok = decodeJson<CorrectionResult>(R"({"corrected": "Hi.", "changes": []})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->corrected, "Hi.");
    EXPECT_TRUE(ok->changes.isEmpty());

    for (const char* bad : {
             R"({"corrected": "Hi."})",                                     // changes missing
             R"({"changes": []})",                                          // corrected missing
             R"({"corrected": null, "changes": []})",                       // null in a required field
             R"({"corrected": 5, "changes": []})",                          // number for text
             R"({"corrected": "x", "changes": {}})",                        // object for array
             R"({"corrected": "x", "changes": [{"from": "a"}]})",           // one bad element
             R"({"corrected": "x", "changes": [{"from": "a", "to": 1}]})",  // wrong type inside
             R"({"corrected": "x", "changes": [{"from": "a", "to": "b", "reason": 3}]})",
             R"({"corrected": "x", "changes": ["a"]})",        // element not an object
             R"(["corrected"])",                               // not an object
             R"({"corrected": "x", "changes": []} trailing)",  // not JSON
             "",
         }) {
        EXPECT_FALSE(decodeJson<CorrectionResult>(QByteArray(bad))) << bad;
    }
}

TEST(ModelsTest, ReasonNullOrMissingAlikeAndExtraKeysIgnored) {
    auto result = decodeJson<CorrectionResult>(R"({"corrected": "b", "extra": {"deep": [1]}, "changes": [
        {"from": "a", "to": "b", "reason": null},
        {"from": "a", "to": "b", "note": "ignored"},
        {"from": "a", "to": "b", "reason": "typo"}]})");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->changes.size(), 3);
    EXPECT_EQ(result->changes[0], result->changes[1]);
    EXPECT_EQ(qHash(result->changes[0]), qHash(result->changes[1]));
    EXPECT_NE(result->changes[0], result->changes[2]);
    EXPECT_EQ(QSet<CorrectionChange>(result->changes.begin(), result->changes.end()).size(), 2);
    EXPECT_EQ(result->changes[2].reason, "typo");
    // Encoding leaves out an absent reason and round-trips.
    EXPECT_FALSE(result->changes[0].toJson().contains("reason"));
    EXPECT_EQ(CorrectionResult::fromJson(result->toJson()), result);
}

TEST(ModelsTest, RephraseKeepsOrderAndFailsOnOneBadVariant) {
    auto result = decodeJson<RephraseResult>(
        R"({"variants": [{"style": "concise", "text": "B"}, {"style": "odd style", "text": "A", "x": 1}]})");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->variants.size(), 2);
    EXPECT_EQ(result->variants[0].id(), "concise");
    EXPECT_EQ(result->variants[1].text, "A");
    EXPECT_TRUE(decodeJson<RephraseResult>(R"({"variants": []})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({"variants": [{"style": "neutral"}]})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({"variants": null})"));
    EXPECT_FALSE(decodeJson<RephraseResult>(R"({})"));
}

TEST(ModelsTest, LabelsFollowTheInterfaceLanguage) {
    ScopedSettings settings;
    const RephraseVariant shouting{"PROFESSIONAL", "x"};
    const RephraseVariant custom{"very friendly", "x"};
    const QString english = shouting.label();
    settings.store.setLanguage(AppLanguage::sr);
    EXPECT_NE(shouting.label(), english) << "a known style in any case is translated";
    EXPECT_EQ(custom.label(), "Very Friendly") << "a style of the model's own is shown as it came";
    EXPECT_EQ(capitalizedWords("mIXED case\twords  here"), "Mixed Case\tWords  Here");
}

}  // namespace
