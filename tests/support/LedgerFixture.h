#pragma once

#include "TestSupport.h"
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "platform/Clock.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QtTest>

namespace testing {

// The window started on a starter finance.mdb to which the given statements were applied first,
// with "now" fixed at 2012/03/15 10:00.
class LedgerFixture
{
public:
    static QDateTime now() { return QDateTime(QDate(2012, 3, 15), QTime(10, 0)); }

    // The setup runs with the starter password; the window is started with the given one.
    explicit LedgerFixture(const QStringList& setup = {}, const QString& startPassword = testing::password)
    {
        platform::setClock([] { return now(); });
        // As a first start leaves it.
        writeStarter(
            QStringList{QStringLiteral("Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)")} +
            setup);
        m_started = std::make_unique<StartedForm>(QList<std::optional<QString>>{startPassword});
        form().show();
        QApplication::setActiveWindow(&form()); // so that the keyboard focus can move inside it
    }
    ~LedgerFixture()
    {
        m_started.reset();
        platform::setClock({});
    }

    TForm1& form() const { return m_started->form(); }
    ui::ScriptedDialogs& dialogs() const { return m_started->dialogs(); }
    QString rows(const QString& select) const { return rowsOf(*form().Connection, select); }

private:
    TempWorkdir m_dir;
    std::unique_ptr<StartedForm> m_started;
};

// Types text as a person would, also characters the test library has no key for.
inline void typeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Chooses the item with the given text from a pick list with the keyboard.
inline void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setFocus();
    for (int guard = 0; box->currentIndex() != index && guard < 100; ++guard)
        QTest::keyClick(box, box->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(box->currentIndex(), index);
}

} // namespace testing
