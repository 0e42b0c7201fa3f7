#pragma once

#include "log/CallLog.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QTreeView>
#include <array>
#include <functional>
#include <future>

// One item of a report-view list: its text and the texts of its two sub-items, indexed by column,
// and a number that the list's owner may attach to it.
// A row of a list, with the tag it was added with.
using ListItem = LogRow;

// The items of a report-view list, one row each.
class ListViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListViewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void addHeader(const QString& text);
    void append(const QList<ListItem>& items);
    // Inserts after every item whose text in the column sorts before or equal to the new item's.
    void insertSorted(const ListItem& item, int column);
    // Orders the rows by their texts in the column; rows with equal texts keep their order.
    void sortBy(int column);
    void clear();
    const ListItem& item(int row) const { return m_items[row]; }

private:
    QStringList m_headers;
    QList<ListItem> m_items;
    QCollator m_collator;
};

// A list in report view with column headers, holding item texts and sub-items. Clicking a column
// header emits ColumnClick; the list sorts only when told to, and then keeps its items sorted.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Adds a column header with its width in pixels.
    void addColumnHeader(const QString& text, int width);
    // Adds an item with the text and the texts of sub-items 1 and 2: at the end, or at its place
    // in the order when the list is sorted.
    // `began` goes with the row, unseen, wherever it is sorted to.
    void addItem(const QString& text, const QString& subItem1, const QString& subItem2,
                 const QString& began = {});
    // What goes with a row unseen.
    QString began(int row) const;
    // Fills a list that is not sorted: adds the items at the end, all in one step, which takes a
    // fraction of the time of adding them one by one.
    void addItems(const QList<ListItem>& items);
    // Items still being read elsewhere: every use of the list, and showing it, first waits for
    // them and adds them, then calls `arrived`.
    void addItemsLater(std::future<QList<ListItem>> items, std::function<void()> arrived);
    int count() const;
    // Column 0 is the item text, 1 and 2 its sub-items; rows count from 0.
    QString text(int row, int column) const;
    int tag(int row) const;
    void clear();

    // The column that the list sorts by, ascending by its text.
    int sortKey() const { return m_sortKey; }
    void setSortKey(int column);
    bool sorted() const { return m_sorted; }
    void setSorted(bool on);

signals:
    // The user clicked the header of the column, counted from 0.
    void ColumnClick(int column);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void settle() const;

    ListViewModel* m_model;
    int m_sortKey = 0;
    bool m_sorted = false;
    mutable std::future<QList<ListItem>> m_pending;
    mutable std::function<void()> m_arrived;
};
