#include "KeyboardPlayer.h"

TKeyboardPlayer::TKeyboardPlayer(TVirtualMidiDeviceLayer& layer, std::uint16_t device,
                                 std::vector<TMidiMessage> messages, std::chrono::microseconds pause)
    : thread_([this, &layer, device, messages = std::move(messages), pause] {
          for (std::size_t i = 0; i < messages.size(); ++i) {
              if (i > 0 && pause.count() > 0)
                  std::this_thread::sleep_for(pause);
              const TMidiMessage& m = messages[i];
              bool taken;
              if (m.Status == 0xF0) {
                  const std::uint8_t sysex[] = {0xF0, m.Data1, m.Data2, 0xF7};
                  taken = layer.InjectSysex(device, sysex);
              } else {
                  taken = layer.InjectShort(device, m.Status, m.Data1, m.Data2);
              }
              if (taken)
                  delivered_.fetch_add(1, std::memory_order_acq_rel);
          }
          done_.store(true, std::memory_order_release);
      })
{
}
