#include "RemoteSocket.h"

RemoteSocket::~RemoteSocket() = default;
