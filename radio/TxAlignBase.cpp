// Keying and dekeying the transmitter on a connection of its own.
#include "radio/TxAlignBase.h"

#include "link/cominit.h"

namespace vantrel {

void TxAlignBase::keyTransmitter() {
    cominit link;
    link.keyUp();
}

void TxAlignBase::dekeyTransmitter() {
    cominit link;
    link.dekey();
}

}  // namespace vantrel
