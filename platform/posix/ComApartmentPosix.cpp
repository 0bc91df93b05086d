#include "platform/ComApartment.h"

// The Linux build's objects need no apartment.
namespace platform {

TComApartment::TComApartment() : ready_(true) {}

TComApartment::~TComApartment() = default;

}  // namespace platform
