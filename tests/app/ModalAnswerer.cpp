// Empty: the shared answerer is header-only. This file goes with tests/app/ModalAnswerer.h.
