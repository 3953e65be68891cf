#include "CaptureDevice.h"

CaptureDevice::~CaptureDevice() = default;
