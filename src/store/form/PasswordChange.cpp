// The password page: the file's password changed on the open connection.
#include "app/TForm1.h"
#include "engine/Connection.h"
#include "store/Texts.h"
#include "ui/Dialogs.h"
#include "ui/LabeledEdit.h"

void TForm1::btnPasswordChangeClick()
{
    const QString old = LE_Pw_Old->text();
    if (old.isEmpty()) {
        ui::showMessage(QStringLiteral("舊密碼空白"));
        return;
    }
    // Against the password typed at start-up, letter case included, also after a change.
    if (old != DatabasePassword) {
        ui::showMessage(QStringLiteral("舊密碼錯誤"));
        return;
    }
    if (LE_Pw_New->text().isEmpty()) {
        ui::showMessage(QStringLiteral("新密碼空白"));
        return;
    }
    if (LE_Pw_Check->text().isEmpty()) {
        ui::showMessage(QStringLiteral("確認密碼空白"));
        return;
    }
    if (LE_Pw_New->text() != LE_Pw_Check->text()) {
        ui::showMessage(QStringLiteral("確認密碼不等於舊密碼"));
        LE_Pw_New->setText(QString());
        LE_Pw_Check->setText(QString());
        return;
    }
    Connection->execute(store::passwordChangeStatement(LE_Pw_Check->text(), old));
    ui::showMessage(QStringLiteral("修改完成,下次登入時請使用新密碼"));
    LE_Pw_Old->setText(QString());
    LE_Pw_New->setText(QString());
    LE_Pw_Check->setText(QString());
}
