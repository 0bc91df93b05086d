#include <objbase.h>

#include "platform/ComApartment.h"

namespace platform {

// S_OK starts the apartment, S_FALSE finds it started already on this thread: both are
// balanced by one CoUninitialize. A thread already in the multithreaded apartment
// (RPC_E_CHANGED_MODE) can still create objects, but it is not ours to leave.
TComApartment::TComApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  mustLeave_ = SUCCEEDED(hr);
  ready_ = mustLeave_ || hr == RPC_E_CHANGED_MODE;
}

TComApartment::~TComApartment() {
  if (mustLeave_)
    CoUninitialize();
}

}  // namespace platform
