#include "app/TForm1.h"
#include "engine/Connection.h"
#include "engine/Query.h"

#include <initializer_list>
#include <memory>

// Brings a file written by an earlier release up to the current tables, columns and keys.
// There is no version marker: every start sends the same statements and ignores each one
// that fails, which on an up-to-date file is every statement that adds something.
void TForm1::UpgradeSchema()
{
    auto query = std::make_unique<engine::Query>();
    query->setConnection(Connection.get());
    // One guard: the first statement that fails skips the rest of its group.
    auto guard = [&query](std::initializer_list<const char16_t*> statements) {
        try {
            for (const char16_t* statement : statements) {
                query->setSql(QString::fromUtf16(statement));
                query->execSql();
            }
        } catch (...) {
        }
    };
    guard({u"ALTER TABLE weight ADD COLUMN BMI float"});
    guard({u"ALTER TABLE weight ADD COLUMN 腰圍 float", u"ALTER TABLE weight ADD COLUMN 臀圍 float",
           u"ALTER TABLE weight ADD COLUMN WHR float"});
    guard({u"ALTER TABLE account_type ADD COLUMN 餘額 float"});
    guard({u"ALTER TABLE account_type ALTER COLUMN 編號 int"});
    guard({u"ALTER TABLE save_type ALTER COLUMN 編號 int"});
    guard({u"ALTER TABLE spend_type ALTER COLUMN 編號 int"});
    guard({u"ALTER TABLE save_type drop constraint PrimaryKey"});
    guard({u"ALTER TABLE spend_type drop constraint PrimaryKey"});
    guard({u"ALTER TABLE account_type ADD CONSTRAINT pk_account PRIMARY KEY(帳戶名稱)"});
    guard({u"ALTER TABLE save_type ADD CONSTRAINT pk_save PRIMARY KEY(類型)"});
    guard({u"ALTER TABLE spend_type ADD CONSTRAINT pk_spend PRIMARY KEY(類型)"});
    guard({u"Create TABLE sub_spend_type (排序 int, 類型 char, 子類型 char)"});
    guard({u"ALTER TABLE spend ALTER COLUMN 摘要 varchar(255)"});
    guard({u"ALTER TABLE save ALTER COLUMN 摘要 varchar(255)"});
    query->close();
}
