#include "sqlpad/statement_history.h"

namespace app {

void StatementHistory::add(const QString& statement) {
    if (!statement.trimmed().isEmpty() && (entries_.isEmpty() || entries_.last() != statement)) {
        entries_.append(statement);
        if (entries_.size() > kMaxEntries)
            entries_.removeFirst();
    }
    position_ = size();
    draft_.clear();
}

bool StatementHistory::older(const QString& shown, QString& recalled) {
    if (position_ == size()) {
        draft_ = shown;
        if (!entries_.isEmpty() && entries_.last() == shown)
            position_ = size() - 1;
    }
    if (position_ == 0)
        return false;
    --position_;
    recalled = entries_.at(position_);
    return true;
}

bool StatementHistory::newer(QString& recalled) {
    if (position_ >= size())
        return false;
    ++position_;
    recalled = position_ == size() ? draft_ : entries_.at(position_);
    return true;
}

} // namespace app
