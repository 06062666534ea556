// The suggestion panel's states around its answers: waiting, nothing to fix, a failure, a refused write.
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/SuggestionViewModel.h"
#include "ui/Brand.h"
#include "ui/SuggestionView.h"
#include "ui/SurfaceWidgets.h"

namespace quillet {

QWidget* SuggestionView::successState() {
    QWidget* view = nullptr;
    auto* column = namedColumn(view, QStringLiteral("successState"), std::nullopt, 12);
    column->addStretch(1);
    column->addWidget(new SymbolBadge(52, Style::withAlpha(Style::green(), 0.14), Style::Symbol::checkmark,
                                      22, Style::green(), true),
                      0, Qt::AlignHCenter);
    auto* message = secondaryLabel(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Your text is already flawless")),
                                   Style::font(13, QFont::Medium), *this);
    message->setObjectName(QStringLiteral("successMessage"));
    column->addWidget(message, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return view;
}

QWidget* SuggestionView::loadingView(const QString& message) {
    QWidget* view = nullptr;
    auto* column = namedColumn(view, QStringLiteral("loadingView"), std::nullopt, 12);
    column->addStretch(1);
    column->addWidget(new Spinner(32, Brand::teal()), 0, Qt::AlignHCenter);
    auto* label = secondaryLabel(message, Style::font(13), *this);
    label->setObjectName(QStringLiteral("loadingMessage"));
    column->addWidget(label, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return view;
}

// A warning sign over a message, centred; the caller adds its button and the closing stretch.
QVBoxLayout* SuggestionView::warningColumn(QWidget*& view, const QString& name, QLabel*& label,
                                           const QString& message) {
    auto* column = namedColumn(view, name, QMargins(24, 12, 24, 12), 12);
    column->addStretch(1);
    column->addWidget(new SymbolBadge(52, Style::withAlpha(Style::orange(), 0.14),
                                      Style::Symbol::warningTriangleFill, 20, Style::orange(), false),
                      0, Qt::AlignHCenter);
    label = secondaryLabel(message, Style::font(12.5), *this);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    column->addWidget(label);
    return column;
}

QWidget* SuggestionView::errorView(const QString& message) {
    QWidget* view = nullptr;
    QLabel* label = nullptr;
    QVBoxLayout* column = warningColumn(view, QStringLiteral("errorView"), label, message);
    label->setObjectName(QStringLiteral("errorMessage"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* retry = new QPushButton(m_loc.text(QT_TRANSLATE_NOOP("Quillet", "Try again")));
    retry->setObjectName(QStringLiteral("tryAgainButton"));
    Style::makeProminent(*retry, palette().color(QPalette::Highlight), Style::font(13, QFont::Medium));
    connect(retry, &QPushButton::clicked, this, [this] {
        if (m_vm)
            m_vm->loadAll();
    });
    column->addWidget(retry, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return view;
}

QWidget* SuggestionView::refusalView(WriteRefusal refusal) {
    QWidget* view = nullptr;
    QLabel* label = nullptr;
    QVBoxLayout* column =
        warningColumn(view, QStringLiteral("refusalView"), label, WriteRefusals::message(refusal, m_loc));
    label->setObjectName(QStringLiteral("refusalMessage"));
    if (WriteRefusals::offersCheckAgain(refusal)) {
        auto* again = new QPushButton(WriteRefusals::checkAgain(m_loc));
        again->setObjectName(QStringLiteral("checkAgainButton"));
        Style::makeProminent(*again, palette().color(QPalette::Highlight), Style::font(13, QFont::Medium));
        connect(again, &QPushButton::clicked, this, [this] {
            if (m_vm)
                m_vm->checkAgain();
        });
        column->addWidget(again, 0, Qt::AlignHCenter);
    }
    column->addStretch(1);
    return view;
}

}  // namespace quillet
