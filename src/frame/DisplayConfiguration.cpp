#include "frame/DisplayConfiguration.h"

DisplayConfiguration& GetDisplayConfiguration() {
  static DisplayConfiguration configuration;
  return configuration;
}
