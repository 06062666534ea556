// The toast's content: a check-mark badge, "Replaced", Undo and a close button on a capsule.
#include "ui/ToastView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "core/L10n.h"
#include "core/SurfacePlacement.h"
#include "ui/Brand.h"
#include "ui/Style.h"

namespace quillet {

namespace {

// The 22-point teal disc with its check mark.
class CheckBadge : public QWidget {
public:
    CheckBadge() { setFixedSize(22, 22); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Style::withAlpha(Brand::teal(), 0.16));
        p.drawEllipse(QRectF(rect()));
        Style::paintSymbol(p, Style::Symbol::checkmark, QRectF(6, 6, 10, 10), Brand::teal(), true);
    }
};

}  // namespace

ToastView::ToastView(QWidget* parent) : QWidget(parent) {
    const L10n loc = L10n::current();
    setFixedSize(SurfacePlacement::toastSize.toSize());
    setAttribute(Qt::WA_TranslucentBackground);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(10);
    row->addStretch(1);

    auto* badge = new CheckBadge;
    row->addWidget(badge, 0, Qt::AlignVCenter);

    m_message = new QLabel(loc.text(QT_TRANSLATE_NOOP("Quillet", "Replaced")));
    m_message->setFont(Style::font(12.5, QFont::Medium));
    row->addWidget(m_message, 0, Qt::AlignVCenter);

    m_undo = new QPushButton(loc.text(QT_TRANSLATE_NOOP("Quillet", "Undo")));
    Style::makeProminent(*m_undo, Brand::teal(), Style::font(11.5, QFont::Medium), Style::ButtonSize::small);
    m_undo->setFocusPolicy(Qt::NoFocus);
    connect(m_undo, &QPushButton::clicked, this, &ToastView::undoClicked);
    row->addWidget(m_undo, 0, Qt::AlignVCenter);

    m_close = new QPushButton;
    const QString closeName = loc.text(QT_TRANSLATE_NOOP("Quillet", "Close"));
    Style::makePlainIconButton(
        *m_close, Style::symbolIcon(Style::Symbol::xmark, Style::secondary(*this), true), 9, closeName);
    m_close->setToolTip(closeName);
    m_close->setFocusPolicy(Qt::NoFocus);
    connect(m_close, &QPushButton::clicked, this, &ToastView::closeClicked);
    row->addWidget(m_close, 0, Qt::AlignVCenter);
    row->addStretch(1);
}

QRectF ToastView::capsuleRect() const {
    // The row's own extent with its margins, centred in the view and never wider than it.
    const QRect row = childrenRect().adjusted(-12, -8, 12, 8);
    const double w = std::min<double>(row.width(), width());
    const double h = std::min<double>(row.height(), height());
    return QRectF((width() - w) / 2, (height() - h) / 2, w, h);
}

void ToastView::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = capsuleRect();
    const double radius = capsule.height() / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(Style::material(*this));
    p.drawRoundedRect(capsule, radius, radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Style::withAlpha(Style::primary(*this), 0.08), 1));
    p.drawRoundedRect(capsule.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
}

}  // namespace quillet
