#include "ListView.h"

#include <QHeaderView>
#include <algorithm>
#include <numeric>
#include <vector>

ListViewModel::ListViewModel(QObject* parent)
    : QAbstractTableModel(parent),
      // Finnish collation, whatever the desktop's language: the texts are the program's own.
      m_collator(QLocale(QLocale::Finnish, QLocale::Finland)) {}

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= 3)
        return {};
    return m_items[index.row()].texts[index.column()];
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

void ListViewModel::addHeader(const QString& text) {
    const int at = static_cast<int>(m_headers.size());
    beginInsertColumns({}, at, at);
    m_headers.append(text);
    endInsertColumns();
}

void ListViewModel::append(const QList<ListItem>& items) {
    if (items.isEmpty())
        return;
    const int at = static_cast<int>(m_items.size());
    beginInsertRows({}, at, at + static_cast<int>(items.size()) - 1);
    m_items.append(items);
    endInsertRows();
}

void ListViewModel::insertSorted(const ListItem& item, int column) {
    const auto place =
        std::upper_bound(m_items.cbegin(), m_items.cend(), item,
                         [this, column](const ListItem& a, const ListItem& b) {
                             return m_collator.compare(a.texts[column], b.texts[column]) < 0;
                         });
    const int at = static_cast<int>(place - m_items.cbegin());
    beginInsertRows({}, at, at);
    m_items.insert(at, item);
    endInsertRows();
}

void ListViewModel::sortBy(int column) {
    const int count = static_cast<int>(m_items.size());
    // One collation key per row, made once: comparing keys is far cheaper than collating the
    // texts again at every comparison of a long log.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(count);
    for (const ListItem& item : std::as_const(m_items))
        keys.push_back(m_collator.sortKey(item.texts[column]));
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[a].compare(keys[b]) < 0; });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<ListItem> items;
    items.reserve(count);
    std::vector<int> newRow(count);
    for (int i = 0; i < count; ++i) {
        items.append(std::move(m_items[order[i]]));
        newRow[order[i]] = i;
    }
    m_items = std::move(items);
    // The selection and the current item follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newRow[index.row()], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListViewModel::clear() {
    beginResetModel();
    m_items.clear();
    endResetModel();
}

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(new ListViewModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    // The order is always ascending, so there is no direction to show.
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, &ListView::ColumnClick);
}

void ListView::addColumnHeader(const QString& text, int width) {
    m_model->addHeader(text);
    header()->resizeSection(m_model->columnCount() - 1, width);
}

void ListView::addItem(const QString& text, const QString& subItem1, const QString& subItem2,
                       const QString& began) {
    settle();
    const ListItem item{{text, subItem1, subItem2}, -1, began};
    if (m_sorted)
        m_model->insertSorted(item, m_sortKey);
    else
        m_model->append({item});
}

void ListView::addItems(const QList<ListItem>& items) {
    settle();
    Q_ASSERT(!m_sorted);
    m_model->append(items);
}

int ListView::count() const {
    settle();
    return m_model->rowCount();
}

QString ListView::text(int row, int column) const {
    settle();
    return m_model->item(row).texts[column];
}

int ListView::tag(int row) const {
    settle();
    return m_model->item(row).key;
}

QString ListView::began(int row) const {
    settle();
    return m_model->item(row).began;
}

void ListView::clear() {
    settle();
    m_model->clear();
}

void ListView::setSortKey(int column) {
    settle();
    if (column == m_sortKey)
        return;
    m_sortKey = column;
    if (m_sorted)
        m_model->sortBy(m_sortKey);
}

void ListView::setSorted(bool on) {
    settle();
    if (on == m_sorted)
        return;
    m_sorted = on;
    if (m_sorted)
        m_model->sortBy(m_sortKey);
}

void ListView::addItemsLater(std::future<QList<ListItem>> items, std::function<void()> arrived) {
    settle();
    m_pending = std::move(items);
    m_arrived = std::move(arrived);
}

void ListView::settle() const {
    if (!m_pending.valid())
        return;
    const QList<ListItem> items = m_pending.get();
    m_model->append(items);
    if (m_arrived)
        std::exchange(m_arrived, nullptr)();
}

void ListView::showEvent(QShowEvent* event) {
    settle();
    QTreeView::showEvent(event);
}
