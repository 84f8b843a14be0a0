#pragma once

#include <QString>

namespace engine {
class DataSource;
}

// What the window that opens the stock list offers it, so that a picked card can be handed to
// the record being entered there.
class StockHost {
public:
    virtual ~StockHost() = default;

    // 0 while browsing, 1 adding, 2 changing: items are handed over only while it is not 0.
    virtual int stockRecordMode() const = 0;
    // The used items of the record on screen; a handed-over item is added to its record set.
    virtual engine::DataSource* stockUsedItems() const = 0;
    // A used item was just added to that record set under this key: the record being entered
    // follows its items by their keys wherever its code goes.
    virtual void stockItemAdded(qint64 key) = 0;
    virtual QString recordCodeText() const = 0;
    virtual QString recordTitleText() const = 0;
};
