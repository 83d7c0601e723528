#include "app/Infowindow1.h"

#include "app/AppFolder.h"
#include "platform/dialogs/Commands.h"

#include <QDesktopServices>
#include <QUrl>

TInfoForm1 *InfoForm1 = nullptr;

namespace {

QFont pixelFont(const QString &family, int pixels)
{
    QFont f(family);
    f.setPixelSize(pixels);
    return f;
}

// A flat button without caption lying over a line: the line is clickable.
QToolButton *overLine(QWidget *parent, const char16_t *name, QLabel *line, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromUtf16(name));
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setToolTip(hint);
    b->setGeometry(line->geometry());
    b->setStyleSheet(QStringLiteral("QToolButton { background: transparent; border: none; }"));
    return b;
}

} // namespace

QString TInfoForm1::webAddress()
{
    const QString configured = QStringLiteral(GLYPHREEL_WEB_ADDRESS);
    return configured.isEmpty() ? QUrl::fromLocalFile(glyphreel::app::userGuidePath()).toString() : configured;
}

QString TInfoForm1::mailAddress()
{
    return QStringLiteral(GLYPHREEL_MAIL_ADDRESS);
}

TInfoForm1::TInfoForm1()
    : ScreenCentredDialog(QStringLiteral("InfoForm1"), QStringLiteral("Glyphreel Ver." GLYPHREEL_VERSION),
                          glyphreel::dialogs::kToolWindowFrame)
{
    setModal(true);
    setFixedSize(248, 128);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(rect());
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/logo.png")));
    Image1->setGeometry(24, 6, 200, 54);

    auto line = [this](const char16_t *name, const QString &text, const QColor &colour, int top) {
        auto *l = new QLabel(Panel1);
        l->setObjectName(QString::fromUtf16(name));
        l->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 11));
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
        l->setGeometry(6, top, 236, 13);
        l->setText(l->fontMetrics().elidedText(text, Qt::ElideRight, l->width()));
        if (l->text() != text)
            l->setToolTip(text);
        return l;
    };
    const QColor orange(255, 128, 0); // 33023
    Label1 = line(u"Label1", QStringLiteral("Software Design＆Creation : Glyphreel 開発者"), Qt::blue, 62);
    Label3 = line(u"Label3", QStringLiteral("mail : ") + mailAddress(), orange, 76);
    Label2 = line(u"Label2", QStringLiteral("url : ") + webAddress(), orange, 90);

    SpeedButton3 = overLine(Panel1, u"SpeedButton3", Label3, QStringLiteral("メールを送る"));
    SpeedButton1 = overLine(Panel1, u"SpeedButton1", Label2, QStringLiteral("ホームページを見る"));
    // A line without an address is text only.
    SpeedButton3->setVisible(!mailAddress().isEmpty());
    SpeedButton1->setVisible(!webAddress().isEmpty());

    SpeedButton2 = new QToolButton(Panel1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("CLOSE (&X)"));
    SpeedButton2->setToolTip(QStringLiteral("閉じる"));
    SpeedButton2->setFont(pixelFont(font().family(), 11));
    SpeedButton2->setGeometry((248 - 80) / 2, 106, 80, 18);

    using glyphreel::dialogs::connectCommand;
    connectCommand(SpeedButton1, &QToolButton::clicked, this, &TInfoForm1::SpeedButton1Click);
    connectCommand(SpeedButton2, &QToolButton::clicked, this, &TInfoForm1::SpeedButton2Click);
    connectCommand(SpeedButton3, &QToolButton::clicked, this, &TInfoForm1::SpeedButton3Click);
}

void TInfoForm1::SpeedButton1Click()
{
    QDesktopServices::openUrl(QUrl(webAddress()));
}

void TInfoForm1::SpeedButton2Click()
{
    close();
}

void TInfoForm1::SpeedButton3Click()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + mailAddress()));
}
