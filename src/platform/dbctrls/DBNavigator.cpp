#include "platform/dbctrls/DBNavigator.h"

#include "platform/db/Query.h"
#include "platform/dialogs/Commands.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace glyphreel::dbctrls {
namespace {

// The four glyphs: a bar and a triangle for first and last, a triangle for
// prior and next; drawn, with a greyed form for the disabled state.
QPixmap drawGlyph(DBNavigator::Button which, const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const bool left = which == DBNavigator::Button::First || which == DBNavigator::Button::Prior;
    const bool bar = which == DBNavigator::Button::First || which == DBNavigator::Button::Last;
    QPainterPath triangle;
    if (left) {
        triangle.moveTo(11, 3);
        triangle.lineTo(11, 13);
        triangle.lineTo(5, 8);
    } else {
        triangle.moveTo(5, 3);
        triangle.lineTo(5, 13);
        triangle.lineTo(11, 8);
    }
    triangle.closeSubpath();
    painter.drawPath(triangle);
    if (bar)
        painter.drawRect(left ? QRectF(3, 3, 2, 10) : QRectF(11, 3, 2, 10));
    return pixmap;
}

} // namespace

DBNavigator::DBNavigator(QWidget *parent)
    : QWidget(parent), link_([this](db::DataSource::Event e, int) {
          if (e != db::DataSource::Event::UpdateRecord)
              follow();
      })
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::array<Button, 4> order{Button::First, Button::Prior, Button::Next, Button::Last};
    const std::array<const char *, 4> names{"nbFirst", "nbPrior", "nbNext", "nbLast"};
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(names[i]));
        QIcon icon;
        icon.addPixmap(drawGlyph(order[i], Qt::black), QIcon::Normal);
        icon.addPixmap(drawGlyph(order[i], QColor(128, 128, 128)), QIcon::Disabled);
        b->setIcon(icon);
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setEnabled(false);
        const Button which = order[i];
        connect(b, &QToolButton::clicked, this, [this, which] {
            // Errors of the move (a frame that cannot be stored) are shown.
            dialogs::runGuarded([&] { move(which); });
            emit clicked(which);
        });
        layout->addWidget(b);
        buttons_[i] = b;
    }
}

void DBNavigator::setDataSource(db::DataSource *source)
{
    link_.setDataSource(source);
    follow();
}

void DBNavigator::follow()
{
    db::Query *q = link_.activeDataSet();
    if (!q) {
        setButtonsEnabled(false, false, false, false);
        return;
    }
    const bool atFirst = q->recNo() <= 1 && q->state() != db::Query::State::Insert;
    const bool atLast = q->recNo() >= q->recordCount() || q->state() == db::Query::State::Insert;
    setButtonsEnabled(!atFirst, !atFirst, !atLast, !atLast);
}

void DBNavigator::move(Button which)
{
    db::Query *q = link_.activeDataSet();
    if (!q)
        return;
    switch (which) {
    case Button::First: q->first(); break;
    case Button::Prior: q->prior(); break;
    case Button::Next: q->next(); break;
    case Button::Last: q->last(); break;
    }
}

void DBNavigator::setHints(const QString &first, const QString &prior, const QString &next, const QString &last)
{
    const std::array<QString, 4> hints{first, prior, next, last};
    for (std::size_t i = 0; i < hints.size(); ++i) {
        buttons_[i]->setToolTip(hints[i]);
        buttons_[i]->setStatusTip(hints[i]);
    }
}

void DBNavigator::setFlat(bool flat)
{
    for (QToolButton *b : buttons_)
        b->setAutoRaise(flat);
}

void DBNavigator::setButtonsEnabled(bool first, bool prior, bool next, bool last)
{
    buttons_[0]->setEnabled(first);
    buttons_[1]->setEnabled(prior);
    buttons_[2]->setEnabled(next);
    buttons_[3]->setEnabled(last);
}

} // namespace glyphreel::dbctrls
