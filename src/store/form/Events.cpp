// Which data-store handler each event of its controls calls.
#include "app/TForm1.h"
#include "ui/Guard.h"
#include "ui/ImageButton.h"

void TForm1::BindStoreEvents()
{
    connect(btnPasswordChange, &QAbstractButton::clicked, this,
            ui::guarded([this] { btnPasswordChangeClick(); }));
}
