// Previous-instance test: see single_instance.h.
#include "win/single_instance.h"

namespace frixa::win {

SingleInstance::SingleInstance(const char* name) {
  mutex_ = CreateMutexA(nullptr, FALSE, name);
  another_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

}  // namespace frixa::win
