#include "sound/sound_generator.h"

namespace ravok {

std::string waveOutErrorText(int code) {
    switch (code) {
    case 0:
        return "MMSYSERR_NOERROR";
    case 2:
        return "MMSYSERR_BADDEVICEID";
    case 4:
        return "MMSYSERR_ALLOCATED";
    case 5:
        return "MMSYSERR_INVALHANDLE";
    case 6:
        return "MMSYSERR_NODRIVER";
    case 7:
        return "MMSYSERR_NOMEM";
    case 8:
        return "MMSYSERR_NOTSUPPORTED";
    case 32:
        return "WAVERR_BADFORMAT";
    case 34:
        return "WAVERR_UNPREPARED";
    case 35:
        return "WAVERR_SYNC";
    default:
        return "MMSYSTEM" + std::to_string(code);
    }
}

TSoundGenerator::TSoundGenerator() { fillRing(128); }

TSoundGenerator::~TSoundGenerator() {
    if (open_) device_->close();
}

void TSoundGenerator::setRequestedSize(int32_t value) {
    if (value >= 256 && value < 60000) requestedSize_ = value;
}

void TSoundGenerator::fillRing(int16_t value) {
    for (int16_t& s : ring_)
        storeSample(s, value);
}

bool TSoundGenerator::openDevice() {
    size_ = requestedSize_;
    fillRing(128);
    int code = device_->open(ring_, size_);
    if (code != 0) {
        errorText_ = waveOutErrorText(code);
        deviceFailed_ = true;
        return false;
    }
    deviceFailed_ = false;
    open_ = true;
    return true;
}

void TSoundGenerator::closeDevice() {
    if (open_) device_->close();
    fillRing(128);
    open_ = false;
}

int64_t TSoundGenerator::playPosition() { return open_ ? device_->playPosition() : 0; }

} // namespace ravok
