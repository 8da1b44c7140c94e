#pragma once

#include <UsagePresentation/ProviderMenuSnapshot.h>
