#pragma once
// What the two import windows share: the gradient ground, the three rows of
// conversion settings (pixel width, half-width, invert) that they write into
// the conversion window, the convert and cancel buttons, and the frames and
// editor they act on.

#include "platform/db/Query.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "platform/dialogs/WindowPlacement.h"
#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QCheckBox>
#include <QFrame>
#include <QIcon>
#include <QToolButton>

#include <functional>

namespace glyphreel::import {

// The main window's frames and editor, and its application folder.
struct ImportTarget {
    db::Query *query = nullptr;
    dbctrls::DBRichEdit *editor = nullptr;
    std::function<QString()> applicationFolder;
};

} // namespace glyphreel::import

class ImportForm : public glyphreel::dialogs::ScreenCentredDialog {
    Q_OBJECT
public:
    ImportForm(const QString &objectName, const QString &caption, const QSize &clientSize);

    void attach(const glyphreel::import::ImportTarget &target) { target_ = target; }

    TGradBox *GradBox1;
    QFrame *Bevel1;
    TShadowLabel *ShadowLabel3, *ShadowLabel14, *ShadowLabel1, *ShadowLabel12, *ShadowLabel2, *ShadowLabel13;
    QLineEdit *Edit1;
    NumericBox *UpDown1;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QToolButton *SpeedButton7;
    QToolButton *SpeedButton1;

    void UpDown1Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void SpeedButton1Click();

protected:
    // The settings rows inside Bevel1 at this place, label column this wide.
    void buildSettingRows(const QRect &bevel, int labelWidth);
    void buildButtons(const QRect &convert, const QRect &cancel, const QString &convertText, const QIcon &glyph);
    TShadowLabel *label(const char16_t *name, const QString &caption, const QRect &geometry,
                        Qt::Alignment alignment = Qt::AlignLeft);
    // A number box with arrows, its edit named too, both with the hint.
    NumericBox *numberBox(const char16_t *name, const char16_t *editName, QLineEdit *&edit, const QString &hint,
                          const QRect &geometry, int minimum, int maximum, int position);
    // A check box without caption, with its "ON" label to the right.
    QCheckBox *checkBox(const char16_t *name, const char16_t *onLabelName, TShadowLabel *&onLabel, const QString &hint,
                        const QPoint &at);
    // Shows the file dialog before the window is visible, each showing.
    virtual void FormShow() = 0;
    // Each closing.
    virtual void FormClose() = 0;
    void showEvent(QShowEvent *event) override;
    void done(int result) override;
    // This window's settings into the conversion window.
    void writeConversionSettings();

    const glyphreel::import::ImportTarget &target() const { return target_; }
    glyphreel::db::Query &query() const;
    glyphreel::dbctrls::DBRichEdit &editor() const;

private:
    glyphreel::import::ImportTarget target_;
};

namespace glyphreel::import {

enum class ImportGlyph { Walker, Camera, OpenFolder };
QIcon importGlyphIcon(ImportGlyph glyph);

} // namespace glyphreel::import
