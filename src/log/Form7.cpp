#include "Form7.h"

#include "ListView.h"

Form7::Form7() : ListView1(new ListView(this)) {
    setWindowTitle(QStringLiteral("Yhteyksien Tarkastelu"));
}
