// The game's music on the audio thread: FluidSynth (js-synthesizer's WebAssembly build) played
// by our own sequencer, as the desktop game's synthesizer does it. A tune starts at any point
// with the instruments and controllers that point needs; until the soundfont is in, the tune
// runs on in silence and then joins in where it is.
// Loaded as an AudioWorklet module after libfluidsynth and js-synthesizer's worklet build.
'use strict';

const { Synthesizer } = globalThis.JSSynth;

// The desktop game's settings, so that the tunes sound alike in both. The page's soundfont
// (TimGM6mb, small enough to download) plays about 6 dB softer than the desktop's FluidR3 at
// the same gain, so the page doubles it to keep the balance between music and effects.
const kSettings = {
  initialGain: 0.6,
  reverbActive: true,
  reverbRoomSize: 0.62,
  reverbDamp: 0.35,
  reverbWidth: 0.9,
  reverbLevel: 0.55,
  chorusActive: true,
  chorusNr: 3,
  chorusLevel: 1.2,
  chorusSpeed: 0.3,
  chorusDepth: 6.0,
};
const kAllChannels = 16;
const kSustain = 64, kAllNotesOff = 123, kResetControllers = 121;
const kVolume = 7, kPan = 10, kExpression = 11, kReverbSend = 91, kChorusSend = 93;

class MusicProcessor extends AudioWorkletProcessor {
  constructor() {
    super();
    this.fluid = null;      // the synthesizer, once its soundfont is in
    this.songs = new Map(); // id -> { times (µs), bytes (status, data1, data2), lengthUs }
    this.song = null;       // the tune that plays
    this.next = 0;          // its next event
    this.pos = 0;           // its position, in frames
    this.end = 0;           // its end, in frames
    this.port.onmessage = (e) => this.receive(e.data);
  }

  receive(m) {
    if (m.type === 'soundfont') this.load(m.data);
    else if (m.type === 'song') this.songs.set(m.id, m);
    else if (m.type === 'play') this.play(this.songs.get(m.id), m.fromUs);
    else if (m.type === 'stop') this.stop();
  }

  async load(soundfont) {
    try {
      await Synthesizer.waitForWasmInitialized();
      const fluid = new Synthesizer();
      fluid.init(sampleRate, kSettings);
      await fluid.loadSFont(soundfont);
      this.fluid = fluid;
      this.resetChannels();
      this.chaseControllers(); // a tune that began in silence joins in with its instruments
      this.port.postMessage({ type: 'ready' });
    } catch (e) {
      this.port.postMessage({ type: 'failed', why: String(e) });
    }
  }

  frameOf(us) {
    return Math.floor((us * sampleRate) / 1e6);
  }

  play(song, fromUs) {
    this.song = null;
    this.resetChannels();
    if (!song) return;
    this.song = song;
    this.pos = this.frameOf(fromUs);
    this.end = this.frameOf(song.lengthUs);
    this.next = 0;
    while (this.next < song.times.length && this.frameOf(song.times[this.next]) < this.pos)
      this.next++;
    this.chaseControllers();
  }

  stop() {
    this.releaseAllChannels();
    this.song = null;
  }

  send(i) {
    const f = this.fluid, b = this.song.bytes;
    const status = b[3 * i], d1 = b[3 * i + 1], d2 = b[3 * i + 2], ch = status & 0x0f;
    switch (status & 0xf0) {
      case 0x80: f.midiNoteOff(ch, d1); break;
      case 0x90: if (d2 === 0) f.midiNoteOff(ch, d1); else f.midiNoteOn(ch, d1, d2); break;
      case 0xa0: f.midiKeyPressure(ch, d1, d2); break;
      case 0xb0: f.midiControl(ch, d1, d2); break;
      case 0xc0: f.midiProgramChange(ch, d1); break;
      case 0xd0: f.midiChannelPressure(ch, d1); break;
      case 0xe0: f.midiPitchBend(ch, d1 | (d2 << 7)); break;
    }
  }

  // Every sounding note goes into its release (no cut, so no click), pedals come up and the
  // controllers return to where a new tune expects them.
  releaseAllChannels() {
    const f = this.fluid;
    if (!f) return;
    for (let ch = 0; ch < kAllChannels; ch++) {
      f.midiControl(ch, kSustain, 0);
      f.midiControl(ch, kAllNotesOff, 0);
      f.midiControl(ch, kResetControllers, 0);
      f.midiPitchBend(ch, 8192);
    }
  }

  // What a tune may take for granted at its start: piano everywhere, the drums on channel 10,
  // the usual levels.
  resetChannels() {
    this.releaseAllChannels();
    const f = this.fluid;
    if (!f) return;
    for (let ch = 0; ch < kAllChannels; ch++) {
      f.midiProgramChange(ch, 0);
      f.midiControl(ch, kVolume, 100);
      f.midiControl(ch, kPan, 64);
      f.midiControl(ch, kExpression, 127);
      f.midiControl(ch, kReverbSend, 40);
      f.midiControl(ch, kChorusSend, 0);
    }
  }

  // Instruments and controllers of the events already passed, notes left out.
  chaseControllers() {
    if (!this.fluid || !this.song) return;
    const b = this.song.bytes;
    for (let i = 0; i < this.next; i++) {
      const kind = b[3 * i] & 0xf0;
      if (kind === 0xb0 || kind === 0xc0 || kind === 0xe0) this.send(i);
    }
  }

  playEventsDue() {
    const song = this.song;
    if (!song) return;
    while (this.next < song.times.length && this.frameOf(song.times[this.next]) <= this.pos) {
      if (this.fluid) this.send(this.next);
      this.next++;
    }
    if (this.next === song.times.length && this.pos >= this.end) this.song = null;
  }

  // Renders in pieces that end where the next event is due, so every event sounds on its frame.
  process(inputs, outputs) {
    const [left, right] = outputs[0];
    const frames = left.length;
    let done = 0;
    while (done < frames) {
      this.playEventsDue();
      let n = frames - done;
      if (this.song) {
        const song = this.song;
        const next = this.next < song.times.length ? this.frameOf(song.times[this.next]) : this.end;
        n = Math.min(n, next - this.pos);
        this.pos += n;
      }
      if (this.fluid && n > 0) {
        this.fluid.render([left.subarray(done, done + n), (right || left).subarray(done, done + n)]);
      }
      done += n;
    }
    this.playEventsDue(); // a tune whose end falls on this block's last frame is over now
    return true;
  }
}

registerProcessor('quelvaris-music', MusicProcessor);
