#include "KeyboardPlayer.h"

TKeyboardPlayer::TKeyboardPlayer(TVirtualMidiDeviceLayer& layer, std::uint16_t device,
                                 std::vector<TMidiMessage> messages)
    : thread_([this, &layer, device, messages = std::move(messages)] {
          for (const TMidiMessage& m : messages) {
              bool taken;
              if (m.Status == MidiStatus::SystemExclusive) {
                  const std::uint8_t sysex[] = {MidiStatus::SystemExclusive, m.Data1, m.Data2,
                                                MidiStatus::EndOfExclusive};
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
