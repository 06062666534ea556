// The user's own actions: the form's rules, their order, and how they are kept.
#include "CoreTestSupport.h"
#include "core/CustomActions.h"

using namespace quillet;
using Refusal = CustomActions::Refusal;

namespace {

const QList<CustomAction> kTwo = {{"Friendlier", "Make the text friendlier."},
                                  {"To English", "Translate the text to English."}};

std::optional<Refusal> refusalOf(const std::variant<CustomAction, Refusal>& outcome) {
    if (const auto* refusal = std::get_if<Refusal>(&outcome))
        return *refusal;
    return std::nullopt;
}

TEST(CustomActionsTest, FormInputIsTrimmedAndRefusedWhenEmptyTooLongOrRepeated) {
    const auto taken = CustomActions::checked("  Shorter \n", "\tHalve the text. ", kTwo);
    ASSERT_TRUE(std::holds_alternative<CustomAction>(taken));
    EXPECT_EQ(std::get<CustomAction>(taken), (CustomAction{"Shorter", "Halve the text."}));

    EXPECT_EQ(refusalOf(CustomActions::checked("", "Do it.", kTwo)), Refusal::emptyName);
    EXPECT_EQ(refusalOf(CustomActions::checked(" \t\n", "Do it.", kTwo)), Refusal::emptyName);
    EXPECT_EQ(refusalOf(CustomActions::checked("Name", "   ", kTwo)), Refusal::emptyInstruction);
    EXPECT_EQ(refusalOf(CustomActions::checked(QString(41, 'n'), "Do it.", kTwo)), Refusal::nameTooLong);
    EXPECT_EQ(refusalOf(CustomActions::checked(QString(40, 'n'), "Do it.", kTwo)), std::nullopt);

    // A paste gone wrong: 100 KB of instruction.
    EXPECT_EQ(refusalOf(CustomActions::checked("Big", QString(100 * 1024, 'x'), kTwo)),
              Refusal::instructionTooLong);
    EXPECT_EQ(refusalOf(CustomActions::checked("Big", QString(2000, 'x'), kTwo)), std::nullopt);
    EXPECT_EQ(refusalOf(CustomActions::checked("Big", QString(2000, 'x') + "   ", kTwo)), std::nullopt)
        << "the limit counts what is kept, after trimming";

    EXPECT_EQ(refusalOf(CustomActions::checked("friendlier ", "Other.", kTwo)), Refusal::duplicateName)
        << "names differ by more than case and spaces";
    EXPECT_EQ(refusalOf(CustomActions::checked("Friendlier", "Warmer.", kTwo, 0)), std::nullopt)
        << "an edited action keeps its own name";
    EXPECT_EQ(refusalOf(CustomActions::checked("To English", "Warmer.", kTwo, 0)), Refusal::duplicateName);
}

TEST(CustomActionsTest, MovesStayInsideTheList) {
    const QList<CustomAction> three = kTwo + QList<CustomAction>{{"Third", "Third."}};
    EXPECT_EQ(CustomActions::moved(three, 2, 0).first().name, "Third");
    EXPECT_EQ(CustomActions::moved(three, 0, 1).first().name, "To English");
    EXPECT_EQ(CustomActions::moved(three, 0, -1), three);
    EXPECT_EQ(CustomActions::moved(three, 2, 3), three);
    EXPECT_EQ(CustomActions::moved({}, 0, 0), QList<CustomAction>{});
}

using CustomActionsStoreTest = test::StoreTest;

TEST_F(CustomActionsStoreTest, ActionsSurviveARestartInOrderWithTheirText) {
    const QList<CustomAction> actions = {{QString::fromUtf8("Ljubaznije 🙂"),
                                          QString::fromUtf8("Učini tekst ljubaznijim.\n\"Bez\" žargona.")},
                                         {"To English", "Translate the text to English."}};
    load()->setCustomActions(actions);
    EXPECT_EQ(load()->customActions(), actions);
}

TEST_F(CustomActionsStoreTest, BadStoredValuesCountAsAbsent) {
    EXPECT_TRUE(load()->customActions().isEmpty()) << "none until the user adds one";

    for (const QVariant& bad : {QVariant::fromValue<qint64>(3), QVariant(QStringLiteral("not json")),
                                QVariant(QStringLiteral(R"({"name": "A", "instruction": "B"})"))}) {
        defaults.values["customActions"] = bad;
        EXPECT_TRUE(load()->customActions().isEmpty()) << bad.toString().toStdString();
    }

    // Entries the form would refuse are left out; the rest are kept in order.
    const QString mixed = QStringLiteral(R"([{"name": "Keep", "instruction": "First."},)"
                                         R"({"name": "", "instruction": "Nameless."},)"
                                         R"({"name": 5, "instruction": "Number."},)"
                                         R"({"name": "Huge", "instruction": ")") +
                          QString(100 * 1024, 'x') +
                          QStringLiteral(R"("}, "junk", {"name": "keep", "instruction": "Duplicate."},)"
                                         R"({"name": " Also ", "instruction": " Second. "}])");
    defaults.values["customActions"] = mixed;
    EXPECT_EQ(load()->customActions(), (QList<CustomAction>{{"Keep", "First."}, {"Also", "Second."}}));
}

}  // namespace

namespace {

QJsonArray storedArray(const FakeDefaults& defaults) {
    return QJsonDocument::fromJson(defaults.values.value("customActions").toString().toUtf8()).array();
}

QJsonObject entry(const QString& name, const QString& instruction) {
    return QJsonObject{{"name", name}, {"instruction", instruction}};
}

}  // namespace

// A hand-written entry the program cannot read stays in the file, as it was, when the user saves
// the others: behind them, in its order. So does a value that is no JSON array at all.
TEST_F(CustomActionsStoreTest, EntriesNotReadAreKeptThroughASaveOfTheOthers) {
    const QJsonArray written{entry("Keep", "First."), QJsonObject{{"name", 5}, {"instruction", "Number."}},
                             "junk", entry("keep", "A repeated name."), entry("", "Nameless.")};
    defaults.values["customActions"] = QString::fromUtf8(QJsonDocument(written).toJson());
    auto store = load();
    ASSERT_EQ(store->customActions(), (QList<CustomAction>{{"Keep", "First."}}));
    store->setCustomActions(store->customActions() + QList<CustomAction>{{"Added", "Second."}});
    EXPECT_EQ(storedArray(defaults), (QJsonArray{entry("Keep", "First."), entry("Added", "Second."),
                                                 written[1], written[2], written[3], written[4]}));
    EXPECT_EQ(load()->customActions().size(), 2);

    defaults.values["customActions"] = "[{\"name\": \"Broken\", ";
    load()->setCustomActions({{"New", "Third."}});
    EXPECT_EQ(storedArray(defaults), (QJsonArray{entry("New", "Third."), "[{\"name\": \"Broken\", "}));
}

// Ten thousand entries: the first fifty are the actions, one log line says so, and the rest stay in
// the file. (Start and the Rephrase tab are timed in bench/SuggestionViewBench.)
TEST_F(CustomActionsStoreTest, FiftyActionsAreReadAndTheRestKeptWithOneLogLine) {
    QJsonArray many;
    for (int i = 0; i < 10000; ++i)
        many.append(entry(QStringLiteral("Action %1").arg(i), QStringLiteral("Do thing number %1.").arg(i)));
    defaults.values["customActions"] = QString::fromUtf8(QJsonDocument(many).toJson(QJsonDocument::Compact));
    auto store = load();
    ASSERT_EQ(store->customActions().size(), CustomActions::maxActions);
    EXPECT_EQ(store->customActions().last().name, "Action 49");
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_THAT(log.lines.first().toStdString(), testing::HasSubstr("9950"));

    store->setCustomActions(store->customActions().mid(1));
    const QJsonArray saved = storedArray(defaults);
    EXPECT_EQ(saved.size(), 9999);
    EXPECT_EQ(saved.last(), many.last());
}
