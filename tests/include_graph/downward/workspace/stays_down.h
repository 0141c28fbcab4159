#pragma once
// A workspace header that includes only what lies below it.
#include "core/roc_date.h"
#include "platform/big5.h"
#include "workspace/path_text.h"
