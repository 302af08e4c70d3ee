#pragma once

// The names of the configuration check's, the register map's and the report's entries
// (502 to 606) stand in the one message list with all the others; include
// core/lang/message_ids.h. This header stays only for the files that still include it.
#include "core/lang/message_ids.h"
