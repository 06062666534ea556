// The user's own actions (a name and an instruction each): what may be stored, and how they are kept.
#pragma once

#include <QJsonArray>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

#include "core/L10n.h"

namespace quillet {

struct CustomAction {
    QString name;
    QString instruction;

    bool operator==(const CustomAction&) const = default;
};

namespace CustomActions {

/// Longer names would not fit on the card's pill.
constexpr int maxNameLength = 40;
/// Enough for any instruction a person writes; more is a paste gone wrong, and would go to the
/// model with every request of the action.
constexpr int maxInstructionLength = 2000;
/// More would not fit the Rephrase tab, nor load quickly: the rest is kept, unread.
constexpr int maxActions = 50;

enum class Refusal { emptyName, nameTooLong, emptyInstruction, instructionTooLong, duplicateName };

/// The action as it would be stored (name and instruction trimmed), or why it is refused. Names
/// are compared without regard to letter case; the entry at `replacing`, when given, is the one
/// being edited and does not count as a duplicate of itself.
std::variant<CustomAction, Refusal> checked(const QString& name, const QString& instruction,
                                            const QList<CustomAction>& existing,
                                            std::optional<qsizetype> replacing = std::nullopt);

/// The message shown under the form for a refusal.
QString message(Refusal refusal, const L10n& loc);

/// `list` with the entry at `from` moved to `to` (both clamped); unchanged when either is out of range.
QList<CustomAction> moved(QList<CustomAction> list, qsizetype from, qsizetype to);

/// What a stored value holds: the actions read, and whatever was not read, kept so that a save of
/// the actions writes it back as it was.
struct Stored {
    QList<CustomAction> actions;
    /// The entries not read, in their order: those that would be refused today (wrong types, empty,
    /// too long, a repeated name), those past maxActions, and a value that is no JSON array at all
    /// (as one text).
    QJsonArray kept;
    /// How many readable entries came after the first maxActions.
    qsizetype overLimit = 0;
};

/// The stored form: a JSON array of {"name", "instruction"} objects, followed by `kept` as it is.
QString toStored(const QList<CustomAction>& actions, const QJsonArray& kept = {});
/// The actions a stored value holds (at most maxActions), and what else it holds.
Stored fromStored(const std::optional<QString>& stored);

}  // namespace CustomActions
}  // namespace quillet
