#include "ListView.h"

#include <QHeaderView>

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= 3)
        return {};
    return m_rows[index.row()][index.column()];
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_headers.value(section);
}

void ListViewModel::setHeaders(const QStringList& headers) {
    beginResetModel();
    m_headers = headers;
    endResetModel();
}

void ListViewModel::append(const Row& row) {
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.append(row);
    endInsertRows();
}

void ListViewModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

ListView::ListView(QWidget* parent) : QTreeView(parent), m_model(new ListViewModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void ListView::addColumnHeader(const QString& text, int width) {
    QStringList headers;
    for (int i = 0; i < m_model->columnCount(); ++i)
        headers << m_model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
    m_model->setHeaders(headers << text);
    header()->resizeSection(static_cast<int>(headers.size()) - 1, width);
}

void ListView::addItem(const QString& text, const QString& subItem1, const QString& subItem2) {
    m_model->append({text, subItem1, subItem2});
}

int ListView::count() const {
    return m_model->rowCount();
}

QString ListView::text(int row, int column) const {
    return m_model->row(row)[column];
}

void ListView::clear() {
    m_model->clear();
}
