#include "platform/dbctrls/DBRichEdit.h"

#include "platform/db/Query.h"
#include "platform/text/Cp932.h"

#include <QScopedValueRollback>
#include <QTextDocument>
#include <QTimer>

#include <stdexcept>

namespace glyphreel::dbctrls {
namespace {

// Frames of fewer characters load faster than a screen refresh.
constexpr int kPrepareFrom = 4000;

} // namespace

QString unstorableCharacters(const QString &text)
{
    QStringList found;
    int line = 1, column = 1;
    for (qsizetype i = 0; i < text.size() && found.size() < 10; ++i) {
        const QChar c = text[i];
        if (c == u'\n' || c == QChar(QChar::ParagraphSeparator) || c == QChar(QChar::LineSeparator)) {
            ++line;
            column = 1;
            continue;
        }
        // A character beyond the BMP is two UTF-16 units: one character.
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QString character = pair ? text.mid(i, 2) : QString(c);
        const char32_t code = pair ? QChar::surrogateToUcs4(c, text[i + 1]) : c.unicode();
        if (pair || c.isSurrogate() || !text::encodableInCp932(c))
            found << QStringLiteral("「%1」 U+%2 (%3行目 %4文字目)")
                         .arg(character, QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0'))
                         .arg(line)
                         .arg(column);
        if (pair)
            ++i;
        ++column;
    }
    return found.join(QStringLiteral("、"));
}

DBRichEdit::DBRichEdit(QWidget *parent)
    : richedit::RichEdit(parent), link_([this](db::DataSource::Event e, int f) { onEvent(e, f); })
{
    // The document is replaced on every load; the editor's own signal
    // follows whichever document it shows.
    connect(this, &QTextEdit::textChanged, this, &DBRichEdit::onTextChanged);
    followActivity();
}

void DBRichEdit::setDataSource(db::DataSource *source)
{
    if (link_.dataSource() == source)
        return;
    link_.setDataSource(source);
    followActivity();
    loadFromRow();
}

void DBRichEdit::setAutoDisplay(bool on)
{
    if (autoDisplay_ == on)
        return;
    autoDisplay_ = on;
    if (on)
        loadFromRow();
}

void DBRichEdit::followActivity()
{
    setReadOnly(link_.activeDataSet() == nullptr);
}

void DBRichEdit::loadFromRow()
{
    {
        const QScopedValueRollback<bool> loading(loading_, true);
        db::Query *q = link_.activeDataSet();
        setMemo(q ? q->fieldBytes(dataField_.toStdString()) : std::string());
    }
    // What was loaded is the row's own text: only a change made here after
    // it may be written back. Another view of the same row (the preview's)
    // would otherwise write its stale copy over this one's on posting.
    document()->setModified(false);

    const db::Query *q = link_.activeDataSet();
    const int recNo = q ? q->recNo() : 0;
    if (recNo > 0 && shownRecNo_ > 0 && recNo != shownRecNo_)
        direction_ = recNo > shownRecNo_ ? 1 : -1;
    shownRecNo_ = recNo;
    // A large frame (colour art has a run per character) takes longer to
    // build than a key repeat: the next one in the direction of travel is
    // built once this one is on screen.
    if (recNo > 0 && !preparing_ && isVisible() && document()->characterCount() > kPrepareFrom) {
        preparing_ = true;
        QTimer::singleShot(0, this, [this] {
            preparing_ = false;
            prepareNeighbour();
        });
    }
}

void DBRichEdit::prepareNeighbour()
{
    const db::Query *q = link_.activeDataSet();
    if (!q || !autoDisplay_ || q->recNo() != shownRecNo_)
        return;
    const int next = shownRecNo_ + direction_;
    if (next < 1 || next > q->recordCount())
        return;
    prepareMemo(q->fieldBytesAt(next, dataField_.toStdString()));
}

void DBRichEdit::onEvent(db::DataSource::Event event, int field)
{
    switch (event) {
    case db::DataSource::Event::DataChanged:
        if (autoDisplay_)
            loadFromRow();
        break;
    case db::DataSource::Event::StateChanged:
        followActivity();
        // A closed dataset shows nothing.
        if (!link_.activeDataSet() && !document()->isEmpty())
            loadFromRow();
        break;
    case db::DataSource::Event::FieldChanged:
        // Set from elsewhere (an import, a command): show what the row holds.
        if (!loading_ && autoDisplay_ && link_.activeDataSet()
            && field == link_.activeDataSet()->fieldIndex(dataField_.toStdString()))
            loadFromRow();
        break;
    case db::DataSource::Event::UpdateRecord:
        updateRecord();
        break;
    case db::DataSource::Event::RecordPosted:
        // The row now holds what this editor shows.
        break;
    }
}

void DBRichEdit::onTextChanged()
{
    db::Query *q = link_.activeDataSet();
    if (loading_ || loadingContent() || !q || !autoDisplay_)
        return;
    // Typing starts the row's editing, as the data-aware controls do.
    if (q->state() == db::Query::State::Browse)
        q->edit();
    document()->setModified(true);
    q->markModified();
}

void DBRichEdit::updateRecord()
{
    if (document()->isModified())
        writeToRow();
}

void DBRichEdit::writeToRow()
{
    db::Query *q = link_.activeDataSet();
    if (!q)
        return;
    std::string bytes;
    try {
        bytes = memo();
    } catch (const text::EncodingError &) {
        // Only a text that cannot be stored is searched character by
        // character, to say what and where.
        throw std::runtime_error(QStringLiteral("次の文字はこのプロジェクトの文字コード (Shift-JIS) で保存できません: %1\n"
                                                "文字を直してからもう一度操作してください。")
                                     .arg(unstorableCharacters(toPlainText()))
                                     .toStdString());
    }
    {
        const QScopedValueRollback<bool> loading(loading_, true);
        q->setFieldValue(dataField_.toStdString(), db::Value::bytes(std::move(bytes)));
    }
    document()->setModified(false);
}

} // namespace glyphreel::dbctrls
