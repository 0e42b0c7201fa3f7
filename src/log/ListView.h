#pragma once

#include <QAbstractTableModel>
#include <QTreeView>
#include <array>

// The rows of a report-view list: an item text and two sub-items per row.
class ListViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::array<QString, 3>;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setHeaders(const QStringList& headers);
    void append(const Row& row);
    void clear();
    const Row& row(int index) const { return m_rows[index]; }

private:
    QStringList m_headers;
    QList<Row> m_rows;
};

// A list in report view with column headers, holding item texts and sub-items.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Adds a column header with its width in pixels.
    void addColumnHeader(const QString& text, int width);
    // Adds an item with the text and the texts of sub-items 1 and 2.
    void addItem(const QString& text, const QString& subItem1, const QString& subItem2);
    int count() const;
    // Column 0 is the item text, 1 and 2 its sub-items; rows count from 0.
    QString text(int row, int column) const;
    void clear();

private:
    ListViewModel* m_model;
};
