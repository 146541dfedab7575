#include "Guard.h"

#include "Dialogs.h"
#include "engine/EngineError.h"

namespace ui {

void showEscapedError(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const engine::EngineError& e) {
        if (e.kind() != engine::EngineError::Kind::Aborted)
            ui::showError(e.message());
    } catch (const std::exception& e) {
        ui::showError(QString::fromUtf8(e.what()));
    } catch (...) {
        ui::showError(QString());
    }
}

} // namespace ui
