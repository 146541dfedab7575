#include "EngineError.h"

namespace engine {

EngineError::EngineError(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
{
}

} // namespace engine
