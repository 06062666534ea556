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

TEST(CustomActionsTest, EveryRefusalIsSaidInBothLanguages) {
    QSet<QString> seen;
    for (const Refusal refusal : {Refusal::emptyName, Refusal::nameTooLong, Refusal::emptyInstruction,
                                  Refusal::instructionTooLong, Refusal::duplicateName})
        for (const AppLanguage language : {AppLanguage::en, AppLanguage::sr})
            seen << CustomActions::message(refusal, L10n{language});
    seen.remove(QString());
    EXPECT_EQ(seen.size(), 10) << "none empty, none shared";
    EXPECT_EQ(CustomActions::message(Refusal::instructionTooLong, L10n{AppLanguage::en}),
              "The instruction can be at most 2000 characters long.");
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
