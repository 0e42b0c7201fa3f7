#include "WindowTest.h"

// Every window as a screen reader and the Tab key meet it, at the scale the run was started
// with (the suite runs this at 96, 144 and 192 dpi and at a device pixel ratio of 2).
class WindowsTest : public WindowTest {
    Q_OBJECT
private:
    // What a reader says of a control: the captions that label it, unless its name says them.
    static QString nameOf(const QWidget* widget) {
        QAccessibleInterface* control =
            QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget));
        const QString name = control->text(QAccessible::Name);
        QStringList said;
        for (const auto& [label, relation] : control->relations(QAccessible::Label))
            if (!name.startsWith(label->text(QAccessible::Name)))
                said << label->text(QAccessible::Name);
        return (said << name).join(u' ');
    }
    // Where a control shows: a caption or value where its text is, any other control whole.
    static QRect shownAt(const QWidget* w) {
        const auto* label = qobject_cast<const QLabel*>(w);
        if (!label)
            return w->geometry();
        const int flags = (label->wordWrap() ? Qt::TextWordWrap : 0) | label->alignment();
        const QRect area = label->contentsRect();
        const QRect text = QStyle::alignedRect(
            label->layoutDirection(), label->alignment(),
            label->fontMetrics().boundingRect(area, flags, label->text()).size(), area);
        return text.translated(label->pos());
    }
    // Every caption and value whole inside its place, no control over another or outside.
    static QStringList crowded(const QWidget* window) {
        QStringList problems;
        QList<const QWidget*> shown;
        // The window's own controls and those in its frames, not the parts of a control.
        for (const QWidget* w : window->findChildren<QWidget*>())
            if (w->isVisibleTo(window) &&
                (w->parentWidget() == window || qobject_cast<const QGroupBox*>(w->parentWidget())))
                shown << w;
        for (const QWidget* w : shown) {
            const auto* label = qobject_cast<const QLabel*>(w);
            if (label && !label->text().isEmpty() && !label->geometry().contains(shownAt(w)))
                problems << u"cut: "_s + label->text();
            if (!w->parentWidget()->rect().contains(shownAt(w)))
                problems << u"outside: "_s + nameOf(w);
            for (const QWidget* other : shown)
                if (other < w && other->parentWidget() == w->parentWidget() &&
                    shownAt(other).intersects(shownAt(w)))
                    problems << nameOf(w) + u" over "_s + nameOf(other);
        }
        return problems;
    }

    template <class... Windows> static QWidget* load(const QString& name) {
        QWidget* window = nullptr;
        ((window = name == QLatin1String(Windows::staticMetaObject.className()) ? &form<Windows>()
                                                                                : window),
         ...);
        return window;
    }

private slots:
    // The window, then the name of each control in the order Tab reaches it.
    void eachWindowReadsInItsTabOrderWithEveryTextWhole_data() {
        const QString perMinute = u": penniä / minuutti"_s, tenths = u", kymmenykset"_s;
        rows(u"Form1|Yhteys: Koti|Käyttäjä:|Salasana:|Ota Yhteys|Asetukset|Päiväkirja\n"
             u"Form2\nForm22\n"
             u"Form3|Puhelu: penniä / puhelu|Arkisin 07.00 - 17.00%1|"
             u"Arkisin 17.00 - 07.00: penniä / ensimmäinen 30 minuuttia|Ylimenevä aika%1|"
             u"Palveluntarjoaja%1\n"
             u"Form4|Hälytykset Yhteyden hinta: markkaa|Hälytykset Hinnat yhteensä: markkaa|"
             u"Hälytykset Yhteyden kesto: tuntia|Hälytykset Yhteyden kesto: minuuttia|"
             u"Hälytykset Kestot yhteensä: tuntia|Hälytykset Kestot yhteensä: minuuttia|"
             u"Palveluntarjoaja Määritä hinta|Com: 1|NOLLAA LASKURIT|Odotetaan:|Hinnat: Tyyppi 1|"
             u"Määritä hinnat|Näytä hinnat|Ok\n"
             u"Form5|Peruuta|Soiton vaiheet\nForm6|Palveluntarjoajan perimä maksu%1|Ok\n"
             u"Form7|Yhteydet|Tallenna...|Tilastot...|Ok\n"
             u"FrmTilastot|Yhteydet kuukausittain|Sulje\n"
             u"FrmTyyppi1|Arkisin 7-17 penniä / puhelu|penniä / puhelu%2|Arkisin 7-17%1|"
             u"Arkisin 7-17%1%2|Muina aikoina: penniä / 30 minuuttia|"
             u"Muina aikoina: penniä / 30 minuuttia%2|Muina aikoina, sen jälkeen%1|"
             u"Muina aikoina, sen jälkeen%1%2|Ok\n"
             u"FrmTyyppi2|Kaikkina aikoina penniä / puhelu|penniä / puhelu%2|Kaikkina aikoina%1|"
             u"Kaikkina aikoina%1%2|Ok"_s.arg(perMinute, tenths));
    }
    void eachWindowReadsInItsTabOrderWithEveryTextWhole() {
        const QStringList c = row(u'|');
        platform().dialer.entries = {u"Koti"_s};
        QWidget* window = load<Form1, Form2, Form22, Form3, Form4, Form5, Form6, Form7, FrmTilastot,
                               FrmTyyppi1, FrmTyyppi2>(c[0]);
        window->show();
        QCOMPARE(crowded(window).join(u'\n'), QString());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QStringList order;
        if (!QApplication::focusWidget())
            QTest::keyClick(window, Qt::Key_Tab);
        for (QWidget *first = QApplication::focusWidget(), *now = first;
             now && order.size() < 30;) {
            order << nameOf(now);
            QTest::keyClick(now, Qt::Key_Tab);
            now = QApplication::focusWidget() == first ? nullptr : QApplication::focusWidget();
        }
        QCOMPARE(order.join(u'|'), c.mid(1).join(u'|'));
    }
};

ORVALIN_TEST_MAIN(WindowsTest)
#include "tst_windows.moc"
