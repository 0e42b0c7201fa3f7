#include "Form7.h"

#include "FrmTilastot.h"
#include "ListView.h"
#include "common/FormRegistry.h"
#include "common/Keys.h"
#include "log/CallLog.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFileDialog>
#include <future>

Form7::Form7()
    : ListView1(new ListView(this)), Label1(new Label(QStringLiteral("Yhteyksiä:"), this)),
      Label2(new Label(QStringLiteral("0 kappaletta"), this)),
      Label3(new Label(QStringLiteral("Kustannukset:"), this)),
      Label4(new Label(QStringLiteral("0 markkaa"), this)),
      Command1(new CommandButton(QStringLiteral("&Ok"), this)),
      Command2(new CommandButton(QStringLiteral("&Tallenna..."), this)),
      Command3(new CommandButton(QStringLiteral("T&ilastot..."), this)) {
    setWindowTitle(QStringLiteral("Yhteyksien Tarkastelu"));
    setClientSizeTwips(7680, 4560);
    place(ListView1, 120, 120, 7440, 3600);
    ListView1->setAccessibleName(QStringLiteral("Yhteydet"));
    place(Label1, 120, 3900, 1215, 255);
    place(Label2, 1380, 3900, 1755, 255);
    place(Label3, 120, 4200, 1215, 255);
    place(Label4, 1380, 4200, 1755, 255);
    place(Command1, 6165, 4065, 1395, 375);
    place(Command2, 4650, 4065, 1395, 375);
    place(Command3, 3180, 4065, 1395, 375);
    Command2->setToolTip(QStringLiteral("Tallentaa päiväkirjan CSV-tiedostoksi taulukkolaskentaa "
                                        "varten"));
    // "Tallenna..." comes first: it stood beside "Ok" before the statistics came.
    setTabOrder(ListView1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command1);

    connect(Command1, &QPushButton::clicked, this, &Form7::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form7::Command3_Click);
    connect(ListView1, &ListView::ColumnClick, this, &Form7::ListView1_ColumnClick);
}

void Form7::Form_Load() {
    const float w = static_cast<float>(ListView1->width());
    for (const QString& caption : {Keys::Päivämäärä, Keys::Kesto, Keys::Hinta})
        ListView1->addColumnHeader(caption, static_cast<int>(w / 4));

    // A log of years of calls takes a while to read, and the start-up window need not wait for
    // it: the rows are read on another thread, and any use of the list waits for them.
    const QString path = SettingsStore::current() ? SettingsStore::current()->path() : QString();
    ListView1->addItemsLater(ReadInBackground([path] { return ReadLog(path); }), [this] {
        Label2->setText(QString::number(ListView1->count()) + QStringLiteral(" kappaletta"));
    });
    const QString total = GetSetting(Keys::App, Keys::Asetukset, Keys::Kustannukset2, {});
    if (!total.isEmpty())
        Label4->setText(total + QStringLiteral(" markkaa"));
}

void Form7::Form_Unload() {
    // The whole log is stored at once or not at all: a crash halfway through must not leave
    // rows of two different orders under the keys.
    SettingsTransaction transaction;
    const int count = ListView1->count();
    for (int i = 0; i < count; ++i) {
        // A row still at the place of the key it was read from is stored there already: only the
        // reset writes the log meanwhile, and it empties the list first. So a run that only
        // appends a call writes one row, not the whole log.
        if (ListView1->tag(i) == i)
            continue;
        SettingsStore::current()->saveKey(Keys::App, QString::number(i),
                                          {{Keys::Päivämäärä, ListView1->text(i, 0)},
                                           {Keys::Kesto, ListView1->text(i, 1)},
                                           {Keys::Hinta, ListView1->text(i, 2)},
                                           {Keys::Alkuhetki, ListView1->began(i)}});
    }
}

void Form7::Command1_Click() {
    unload<Form7>();
}

void Form7::Command2_Click() {
    QFileDialog dialog(this, QStringLiteral("Tallenna päiväkirja"),
                       QDir::homePath() + QStringLiteral("/päiväkirja.csv"),
                       QStringLiteral("CSV-tiedostot (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QList<LogRow> rows;
    for (int i = 0; i < ListView1->count(); ++i)
        rows.append(LogRow{{ListView1->text(i, 0), ListView1->text(i, 1), ListView1->text(i, 2)},
                           i,
                           ListView1->began(i)});
    if (const std::optional<QString> problem = WriteLogCsv(dialog.selectedFiles().first(), rows))
        platform().messages().show({*problem, Message::Icon::Critical});
}

void Form7::Command3_Click() {
    form<FrmTilastot>().execOwnedBy(this);
}

void Form7::ListView1_ColumnClick(int column) {
    ListView1->setSortKey(column);
    ListView1->setSorted(true);
}
