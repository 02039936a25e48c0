// Where a softpot exchange tells what it learnt of the radio: whether the radio holds the softpot.
#pragma once

namespace vantrel {

/// Told by the noted softpot exchanges whether the radio holds what `flag` stands for: supported when it
/// answered with this softpot's own data reply, unsupported when it answered 0x86. `flag` is the caller's
/// (the radio record's support-flag index), passed through untouched. Nothing is told when the exchange
/// fails otherwise (no answer, a reply of another request): then nothing was learnt.
class SupportNotes {
  public:
    virtual void noteSupport(int flag, bool supported) = 0;

  protected:
    ~SupportNotes() = default;
};

}  // namespace vantrel
