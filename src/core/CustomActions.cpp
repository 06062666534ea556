// The user's own actions: the checks on what may be stored, and their stored form.
#include "core/CustomActions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillet {

namespace {
const QString kName = QStringLiteral("name");
const QString kInstruction = QStringLiteral("instruction");
}  // namespace

std::variant<CustomAction, CustomActions::Refusal> CustomActions::checked(
    const QString& name, const QString& instruction, const QList<CustomAction>& existing,
    std::optional<qsizetype> replacing) {
    CustomAction action{name.trimmed(), instruction.trimmed()};
    if (action.name.isEmpty())
        return Refusal::emptyName;
    if (action.name.size() > maxNameLength)
        return Refusal::nameTooLong;
    if (action.instruction.isEmpty())
        return Refusal::emptyInstruction;
    if (action.instruction.size() > maxInstructionLength)
        return Refusal::instructionTooLong;
    for (qsizetype i = 0; i < existing.size(); ++i) {
        if (replacing && *replacing == i)
            continue;
        if (existing[i].name.compare(action.name, Qt::CaseInsensitive) == 0)
            return Refusal::duplicateName;
    }
    return action;
}

QString CustomActions::message(Refusal refusal, const L10n& loc) {
    switch (refusal) {
        case Refusal::emptyName:
            return loc.text(QT_TRANSLATE_NOOP("Quillet", "Give the action a name."));
        case Refusal::nameTooLong:
            return loc.text(QT_TRANSLATE_NOOP("Quillet", "The name can be at most %1 characters long."))
                .arg(maxNameLength);
        case Refusal::emptyInstruction:
            return loc.text(QT_TRANSLATE_NOOP("Quillet", "Write what the action should do with the text."));
        case Refusal::instructionTooLong:
            return loc
                .text(QT_TRANSLATE_NOOP("Quillet", "The instruction can be at most %1 characters long."))
                .arg(maxInstructionLength);
        case Refusal::duplicateName:
            return loc.text(QT_TRANSLATE_NOOP("Quillet", "An action with this name already exists."));
    }
    return {};
}

QList<CustomAction> CustomActions::moved(QList<CustomAction> list, qsizetype from, qsizetype to) {
    if (from < 0 || from >= list.size() || to < 0 || to >= list.size())
        return list;
    list.move(from, to);
    return list;
}

QString CustomActions::toStored(const QList<CustomAction>& actions, const QJsonArray& kept) {
    QJsonArray array;
    for (const CustomAction& action : actions)
        array.append(QJsonObject{{kName, action.name}, {kInstruction, action.instruction}});
    for (const QJsonValue& value : kept)
        array.append(value);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

CustomActions::Stored CustomActions::fromStored(const std::optional<QString>& stored) {
    Stored result;
    if (!stored || stored->trimmed().isEmpty())
        return result;
    const QJsonDocument document = QJsonDocument::fromJson(stored->toUtf8());
    if (!document.isArray()) {
        // Not even an array: the whole text is kept, to be mended by hand.
        result.kept.append(*stored);
        return result;
    }
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        std::optional<CustomAction> action;
        if (object.value(kName).isString() && object.value(kInstruction).isString()) {
            auto checkedAction = checked(object.value(kName).toString(),
                                         object.value(kInstruction).toString(), result.actions);
            if (auto* taken = std::get_if<CustomAction>(&checkedAction))
                action = std::move(*taken);
        }
        if (action && result.actions.size() < maxActions) {
            result.actions.append(std::move(*action));
        } else {
            result.overLimit += action ? 1 : 0;
            result.kept.append(value);
        }
    }
    return result;
}

}  // namespace quillet
