// The user's own actions (a name and an instruction each): what may be stored, and how they are kept.
#pragma once

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

/// The stored form: a JSON array of {"name", "instruction"} objects.
QString toStored(const QList<CustomAction>& actions);
/// The actions a stored value holds. Anything unreadable counts as absent: a value that is not a
/// JSON array gives none, and an entry that would be refused today (wrong types, empty, too long, a
/// repeated name) is left out while the others are kept.
QList<CustomAction> fromStored(const std::optional<QString>& stored);

}  // namespace CustomActions
}  // namespace quillet
