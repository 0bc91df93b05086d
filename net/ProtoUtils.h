#pragma once

// Every protocol text utility of the network layer in one include.
#include "net/ProtoAddress.h"
#include "net/ProtoBytes.h"
#include "net/ProtoText.h"
#include "net/ProtoTicks.h"
#include "net/ProtoUrl.h"
#include "net/Stream.h"
