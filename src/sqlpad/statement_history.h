#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The statements retrieved in one SQL workspace, for this run only, recalled with Ctrl+Up and
// Ctrl+Down as a shell recalls its commands: the text being typed is kept as a draft and comes
// back after the newest statement.
class StatementHistory {
public:
    // Adds a retrieved statement: not a blank one, nor the newest again. Recall starts over.
    void add(const QString& statement);

    // The statement before the one shown, or false at the oldest. `shown` is the editor's text:
    // when recall starts it becomes the draft (and if it is the newest statement, recall starts
    // on it, so the first step goes to the one before).
    bool older(const QString& shown, QString& recalled);
    // The statement after the one shown, then the draft; false when the draft is shown.
    bool newer(QString& recalled);

    int size() const { return static_cast<int>(entries_.size()); }

private:
    static constexpr int kMaxEntries = 500;
    QStringList entries_;
    // Index of the statement shown; entries_.size() while the draft is shown.
    int position_ = 0;
    QString draft_;
};

} // namespace app
