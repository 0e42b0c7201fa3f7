#include "Form7.h"

#include <QTreeWidget>

Form7::Form7() : ListView1(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Yhteyksien Tarkastelu"));
}
