#pragma once
// A drop-down list for picking a colour by name: built-in named colours in
// Japanese or English, user colours, a default entry and a custom entry whose
// colour comes from the colour dialog through a small dots button.

#include "widgets/ColorValue.h"
#include "widgets/OwnerDrawnComboBox.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <memory>
#include <vector>

enum TSaveToColorFile { scfIniFile, scfRegistry };

class TColorSaveSetting {
public:
    TSaveToColorFile RegIni = scfIniFile;
    QString Section;
    void assign(const TColorSaveSetting &other) { *this = other; }
    bool operator==(const TColorSaveSetting &) const = default;
};

class TUserColors;

class TUserColor {
public:
    glyphreel::widgets::ColorValue Color() const { return color_; }
    void setColor(glyphreel::widgets::ColorValue v);
    QString DisplayName() const { return displayName_; }
    void setDisplayName(const QString &v);
    QString EnglishName() const { return englishName_; }
    void setEnglishName(const QString &v);
    // Copies the display name and the colour.
    void assign(const TUserColor &other);

private:
    friend class TUserColors;
    TUserColors *collection_ = nullptr;
    glyphreel::widgets::ColorValue color_ = 0;
    QString displayName_;
    QString englishName_;
};

class TUserColors : public QObject {
    Q_OBJECT
public:
    explicit TUserColors(QObject *owner = nullptr) : QObject(owner) {}
    TUserColor &add();
    int count() const { return static_cast<int>(items_.size()); }
    TUserColor &item(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    const TUserColor &item(int index) const { return *items_.at(static_cast<std::size_t>(index)); }
    void clear();
    void assign(const TUserColors &other);

signals:
    void changed();

private:
    friend class TUserColor;
    std::vector<std::unique_ptr<TUserColor>> items_;
};

class TColorComboBox : public OwnerDrawnComboBox {
    Q_OBJECT
public:
    static constexpr glyphreel::widgets::ColorValue kDefaultMarker = 0x20000000u;
    static constexpr glyphreel::widgets::ColorValue kNoneMarker = 0x1FFFFFFFu;
    enum GroupKind : unsigned char { gkDefault, gkBasic, gkSystem, gkExtra, gkUser, gkCustom };

    explicit TColorComboBox(QWidget *parent = nullptr);
    ~TColorComboBox() override;

    glyphreel::widgets::ColorValue Value() const;
    void setValue(glyphreel::widgets::ColorValue value);

    bool ShowText() const { return showText_; }
    void setShowText(bool v);
    bool ShowSysColor() const { return showSys_; }
    void setShowSysColor(bool v);
    bool ShowBasicColor() const { return showBasic_; }
    void setShowBasicColor(bool v);
    bool ShowCustomColor() const { return showCustom_; }
    void setShowCustomColor(bool v);
    bool ShowDefaultColor() const { return showDefault_; }
    void setShowDefaultColor(bool v);
    bool ShowExtraColor() const { return showExtra_; }
    void setShowExtraColor(bool v);
    bool ShowUserColor() const { return showUser_; }
    void setShowUserColor(bool v);
    bool ZenKakuKana() const { return zenKakuKana_; }
    void setZenKakuKana(bool v);
    bool JapaneseText() const { return japanese_; }
    void setJapaneseText(bool v);
    glyphreel::widgets::ColorValue CustomColor() const { return customColor_; }
    void setCustomColor(glyphreel::widgets::ColorValue v);
    glyphreel::widgets::ColorValue DefaultColor() const { return defaultColor_; }
    void setDefaultColor(glyphreel::widgets::ColorValue v);
    QWidget *ChangeControl() const { return changeControl_; }
    void setChangeControl(QWidget *control);
    bool ChangeControlFont() const { return changeControlFont_; }
    void setChangeControlFont(bool v);
    bool HintIsOtherLanguage() const { return hintOther_; }
    void setHintIsOtherLanguage(bool v);
    bool CustomColorSave() const { return customSave_; }
    void setCustomColorSave(bool v) { customSave_ = v; }
    const TColorSaveSetting &CustomColorSaveOption() const { return saveOption_; }
    void setCustomColorSaveOption(const TColorSaveSetting &v) { saveOption_.assign(v); }
    TUserColors *Items() const { return userColors_; }
    void setItems(const TUserColors &items) { userColors_->assign(items); }

    // The entries as listed.
    int entryCount() const { return static_cast<int>(entries_.size()); }
    QString entryName(int index) const { return entries_.at(static_cast<std::size_t>(index)).name; }
    glyphreel::widgets::ColorValue entryValue(int index) const { return entries_.at(static_cast<std::size_t>(index)).value; }
    GroupKind entryKind(int index) const { return entries_.at(static_cast<std::size_t>(index)).kind; }
    const std::vector<int> &groupStarts() const { return groupStarts_; }
    // The name of entry i in the other language; throws for an index
    // outside the list.
    QString otherLanguageName(int index) const;

    // The dots button, shown while the custom entry is selected.
    QWidget *dotsButton() const { return dots_; }
    // What a click on the dots button does: the custom colour dialog.
    void chooseCustomColor();

    // Paints entry i as the list paints it, for the list and the tests.
    void drawEntry(QPainter &painter, const QRect &rect, int index, bool selected, bool inEditField) const
    {
        drawItem(painter, rect, index, selected, inEditField);
    }
    void drawItem(QPainter &painter, const QRect &rect, int index, bool selected, bool inEditField) const override;

signals:
    void Change();
    void Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Entry {
        QString name;
        glyphreel::widgets::ColorValue value;
        GroupKind kind;
        int index;
    };
    template <typename T>
    void setAndRebuild(T &field, const T &value)
    {
        if (field == value)
            return;
        field = value;
        rebuild();
    }
    void rebuild();
    void clickHandling();
    void applyToChangeControl();
    void placeDotsButton();
    void setHintFor(int index);
    QString shownName(const QString &name) const;
    void readChangeControl();
    void loadCustomColors(std::array<QColor, 16> &colors) const;
    void saveCustomColors(const std::array<QColor, 16> &colors) const;
    QString customColorFile() const;

    bool showText_ = true;
    bool showSys_ = false;
    bool showBasic_ = true;
    bool showCustom_ = true;
    bool showDefault_ = false;
    bool showExtra_ = false;
    bool showUser_ = true;
    bool zenKakuKana_ = true;
    bool japanese_ = true;
    bool hintOther_ = false;
    bool customSave_ = false;
    bool changeControlFont_ = false;
    glyphreel::widgets::ColorValue customColor_ = 0;
    glyphreel::widgets::ColorValue defaultColor_ = 0x8000000Fu;
    qint64 lastWritten_ = -1;
    TColorSaveSetting saveOption_;
    TUserColors *userColors_;
    QPointer<QWidget> changeControl_;
    std::vector<Entry> entries_;
    std::vector<int> groupStarts_;
    QWidget *dots_;
    bool rebuilding_ = false;
};

namespace glyphreel::widgets {

// Half-width katakana and punctuation become full-width ones; a katakana
// followed by a voicing mark becomes the voiced katakana where one exists.
QString zenKakuKana(const QString &text);

// The 16 custom colours of the shared colour dialog at start.
std::array<QColor, 16> &sharedCustomColors();

} // namespace glyphreel::widgets
