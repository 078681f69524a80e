#include "app/records.h"

namespace app {

QString StringArray::operator[](long index) const {
    if (index < 1 || index > UpperBound())
        return {};
    return items_.at(static_cast<qsizetype>(index - 1));
}

void StringArray::set(long index, const QString& value) {
    if (index < 1)
        return;
    while (UpperBound() < index)
        items_.append(QString());
    items_[static_cast<qsizetype>(index - 1)] = value;
}

} // namespace app
