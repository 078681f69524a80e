#include "connect/entry_width.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>
#include <algorithm>

namespace app {
namespace {

// The margin that QLineEdit keeps on either side of its text.
constexpr int textMargin = 2;

int visibleTextWidth(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    contents = contents.marginsRemoved(edit->textMargins());
    // One pixel stays free for the cursor behind the last character.
    return contents.width() - 2 * textMargin - 1;
}

QString shownText(const QLineEdit* edit, const QString& text) {
    if (edit->echoMode() != QLineEdit::Password)
        return text;
    QStyleOptionFrame option;
    option.initFrom(edit);
    const auto mask = static_cast<char16_t>(
        edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, edit));
    return QString(text.size(), QChar(mask));
}

// Keeps the last text that fitted, so that an edit that overflows can be cut back to the part of
// the inserted text that still fits.
class VisibleWidthValidator final : public QValidator {
public:
    explicit VisibleWidthValidator(QLineEdit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& input, int& pos) const override {
        if (fitsVisibleWidth(edit_, input)) {
            accepted_ = input;
            return Acceptable;
        }
        const QString& before = accepted_;
        qsizetype prefix = 0;
        const qsizetype common = std::min(before.size(), input.size());
        while (prefix < common && before.at(prefix) == input.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < common - prefix &&
               before.at(before.size() - 1 - suffix) == input.at(input.size() - 1 - suffix))
            ++suffix;
        QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        const QString head = input.left(prefix);
        const QString tail = input.right(suffix);
        while (!inserted.isEmpty() && !fitsVisibleWidth(edit_, head + inserted + tail))
            inserted.chop(1);
        QString kept = head + inserted + tail;
        if (kept == before || !fitsVisibleWidth(edit_, kept))
            return Invalid;
        input = kept;
        pos = static_cast<int>(prefix + inserted.size());
        accepted_ = input;
        return Acceptable;
    }

private:
    QLineEdit* edit_;
    mutable QString accepted_;
};

} // namespace

bool fitsVisibleWidth(const QLineEdit* edit, const QString& text) {
    return edit->fontMetrics().horizontalAdvance(shownText(edit, text)) <= visibleTextWidth(edit);
}

void limitEntryToVisibleWidth(QLineEdit* edit) {
    edit->setValidator(new VisibleWidthValidator(edit));
}

} // namespace app
