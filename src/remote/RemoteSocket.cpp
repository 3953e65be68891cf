// SPDX-License-Identifier: GPL-3.0-or-later
#include "RemoteSocket.h"

RemoteSocket::~RemoteSocket() = default;
