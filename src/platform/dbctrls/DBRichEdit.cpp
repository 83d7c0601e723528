#include "platform/dbctrls/DBRichEdit.h"

#include "platform/db/Query.h"
#include "platform/text/Cp932.h"

#include <QTextDocument>

#include <stdexcept>

namespace glyphreel::dbctrls {

QString unstorableCharacters(const QString &text)
{
    QStringList found;
    int line = 1, column = 1;
    for (const QChar c : text) {
        if (c == u'\n' || c == QChar(QChar::ParagraphSeparator)) {
            ++line;
            column = 1;
            continue;
        }
        if (!c.isSurrogate() && !text::encodableInCp932(c) && found.size() < 10)
            found << QStringLiteral("「%1」(%2行目 %3文字目)").arg(c).arg(line).arg(column);
        else if (c.isHighSurrogate() && found.size() < 10)
            found << QStringLiteral("「U+%1」(%2行目 %3文字目)").arg(QString::number(c.unicode(), 16).toUpper()).arg(line).arg(column);
        ++column;
    }
    return found.join(QStringLiteral("、"));
}

DBRichEdit::DBRichEdit(QWidget *parent)
    : richedit::RichEdit(parent), link_([this](db::DataSource::Event e, int f) { onEvent(e, f); })
{
    connect(document(), &QTextDocument::contentsChanged, this, &DBRichEdit::onTextChanged);
}

void DBRichEdit::setDataSource(db::DataSource *source)
{
    if (link_.dataSource() == source)
        return;
    link_.setDataSource(source);
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

void DBRichEdit::loadFromRow()
{
    loading_ = true;
    if (db::Query *q = link_.activeDataSet())
        setMemo(q->fieldBytes(dataField_.toStdString()));
    else
        clear();
    loading_ = false;
    // What was loaded is the row's own text: only a change made here after
    // it may be written back. Another view of the same row (the preview's)
    // would otherwise write its stale copy over this one's on posting.
    document()->setModified(false);
}

void DBRichEdit::onEvent(db::DataSource::Event event, int)
{
    switch (event) {
    case db::DataSource::Event::DataChanged:
        if (autoDisplay_)
            loadFromRow();
        break;
    case db::DataSource::Event::UpdateRecord:
        updateRecord();
        break;
    default:
        break;
    }
}

void DBRichEdit::onTextChanged()
{
    db::Query *q = link_.activeDataSet();
    if (loading_ || !q || !autoDisplay_)
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
    loading_ = true;
    q->setFieldValue(dataField_.toStdString(), db::Value::bytes(std::move(bytes)));
    loading_ = false;
    document()->setModified(false);
}

} // namespace glyphreel::dbctrls
