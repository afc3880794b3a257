#pragma once

namespace tamarack {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Handles every event that is waiting, then returns.
  virtual void ProcessPendingEvents() = 0;
};

}  // namespace tamarack
