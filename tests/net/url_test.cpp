#include <gtest/gtest.h>

#include "net/url.h"
