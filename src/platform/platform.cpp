// Anchor unit of the platform layer.
#include "platform/exceptions.h"
#include "platform/messages.h"
