#pragma once

// The shared answerer; this file goes once tests/app/CMakeLists.txt links tolvane_modal_answerer.
#include "../common/ModalAnswerer.h"
