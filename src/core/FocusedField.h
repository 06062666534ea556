// The focused editable text field, with the application that owns it.
#pragma once

#include <QString>
#include <optional>

#include "platform/Accessibility.h"

namespace quillet {

class Workspace;

struct FocusedField {
    /// Shared handle; copies of the record share the element.
    Accessible element;
    /// The process that answers for the element; 0 when the desktop names none.
    qint32 pid = 0;
    /// Desktop-entry id of the application whose window shows the field, when it is a known running
    /// application with one.
    std::optional<QString> appId;
    /// The desktop's id of the window it was in when a request took it; 0 when unknown. A paste
    /// goes to that window only.
    quint64 window = 0;
    /// The process of the application whose window shows the field, where that is not `pid`: a
    /// browser whose pages answer from processes of their own that it started (WebKit's). 0 when it
    /// is `pid` itself.
    qint32 hostPid = 0;

    /// The process whose window shows the field: the one compared with the application in front,
    /// and the one a paste goes to.
    qint32 applicationPid() const { return hostPid != 0 ? hostPid : pid; }

    /// An element that is one of the editable roles, or any element whose value is settable text.
    static bool isEditableTextElement(Accessibility& ax, const Accessible& element);
    /// The record for `element` when it passes the editable test now; absent otherwise. An element
    /// of a process that the application in front started is that application's.
    static std::optional<FocusedField> from(Accessibility& ax, Workspace& workspace,
                                            const Accessible& element);

    // Each of these asks the element afresh.
    /// A password field, or any field while secure keyboard entry is on.
    bool isSecure(Accessibility& ax) const;
    /// The current selection; absent when there is none or it is empty.
    std::optional<QString> selectedText(Accessibility& ax) const;
    /// Whether a selection may be there: one was read, or the field did not answer the question.
    bool mayHoldSelection(Accessibility& ax) const;
    /// Whether the field never tells its selection: only a copy finds what is selected there.
    bool hidesSelection(Accessibility& ax) const;
    /// Words of the current value, split on Unicode white space; 0 for an unreadable value.
    int wordCount(Accessibility& ax) const;

    /// Number of pieces of `text` between runs of Unicode white space.
    static int countWords(const QString& text);
};

}  // namespace quillet
