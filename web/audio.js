// The page's sound: the game's music through FluidSynth on an AudioWorklet (music-worklet.js),
// the effects on a voice of their own (WebAudio buffers), both through the soft limiter the
// desktop game bends its mix with. The game's audio sink (web/audio_sink.cpp) calls in here.
// Browsers allow sound only after the first key or click: until then the game runs silently,
// and its tune joins in at that moment where the game's clock has it.
'use strict';

window.quelvarisAudio = (() => {
  const kFadeIn = 0.0015;  // seconds: a hit sounds at once, yet never clicks
  const kFadeOut = 0.004;
  const kKnee = 0.9;

  const songs = new Map();  // id -> message for the worklet
  const waves = new Map();  // id -> { samples, channels, rate, buffer }
  let gameClockUs = 0;      // the game's clock, as the host last told it
  let music = null;         // the tune the game plays: { id, fromUs, atUs }
  let ctx = null, musicNode = null, effectsOut = null, analyser = null, musicGain = null;
  const levels = { music: 1, effects: 1 };
  let voice = null;         // the effect that sounds: { source, gain }
  let soundfont = 'waiting';
  let held = false;         // the player paused the game: its sound stands still with it

  // The desktop game's limiter: above the knee the mix bends softly towards full scale.
  function limiterCurve() {
    const n = 4097, curve = new Float32Array(n);
    for (let i = 0; i < n; i++) {
      const x = (2 * i) / (n - 1) - 1, a = Math.abs(x);
      const y = a <= kKnee ? a : kKnee + (1 - kKnee) * Math.tanh((a - kKnee) / (1 - kKnee));
      curve[i] = x < 0 ? -y : y;
    }
    return curve;
  }

  async function startMusic(out) {
    await ctx.audioWorklet.addModule('libfluidsynth.js');
    await ctx.audioWorklet.addModule('js-synthesizer.worklet.js');
    await ctx.audioWorklet.addModule('music-worklet.js');
    musicNode = new AudioWorkletNode(ctx, 'quelvaris-music', {
      numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2] });
    musicNode.connect(out);
    musicNode.port.onmessage = (e) => {
      soundfont = e.data.type;
      if (e.data.why) console.warn('quelvaris: no music:', e.data.why);
    };
    for (const song of songs.values()) musicNode.port.postMessage(song);
    if (music) {
      const fromUs = music.fromUs + Math.max(0, gameClockUs - music.atUs);
      musicNode.port.postMessage({ type: 'play', id: music.id, fromUs });
    }
    soundfont = 'loading';
    const response = await fetch('TimGM6mb.sf2');
    if (!response.ok) throw new Error(`soundfont: ${response.status}`);
    const data = await response.arrayBuffer();
    musicNode.port.postMessage({ type: 'soundfont', data }, [data]);
  }

  // On the first key or click: the browser lets the page make sound from now on.
  function unlock() {
    if (ctx) return;
    ctx = new AudioContext({ latencyHint: 'interactive' });
    const limiter = new WaveShaperNode(ctx, { curve: limiterCurve() });
    analyser = new AnalyserNode(ctx, { fftSize: 2048 });
    limiter.connect(analyser).connect(ctx.destination);
    // The options screen's volumes, each on a gain of its own before the limiter.
    musicGain = new GainNode(ctx, { gain: levels.music });
    effectsOut = new GainNode(ctx, { gain: levels.effects });
    musicGain.connect(limiter);
    effectsOut.connect(limiter);
    suspendOrResume();
    startMusic(musicGain).catch((e) => {
      soundfont = 'failed';
      console.warn('quelvaris: no music:', e);
    });
  }

  function buffer(w) {
    if (!w.buffer) {
      const frames = Math.floor(w.samples.length / w.channels);
      w.buffer = ctx.createBuffer(w.channels, frames, w.rate);
      for (let c = 0; c < w.channels; c++) {
        const out = w.buffer.getChannelData(c);
        for (let i = 0; i < frames; i++) out[i] = w.samples[i * w.channels + c] / 32768;
      }
    }
    return w.buffer;
  }

  function effectStop() {
    if (!voice) return;
    const { source, gain } = voice, t = ctx.currentTime;
    gain.gain.setValueAtTime(gain.gain.value, t);
    gain.gain.linearRampToValueAtTime(0, t + kFadeOut);
    source.stop(t + kFadeOut);
    voice = null;
  }

  function effectPlay(id, loop) {
    const w = waves.get(id);
    if (!ctx || !w || ctx.state !== 'running') return;
    effectStop();
    const t = ctx.currentTime;
    const gain = new GainNode(ctx, { gain: 0 });
    gain.gain.linearRampToValueAtTime(1, t + kFadeIn);
    const source = new AudioBufferSourceNode(ctx, { buffer: buffer(w), loop });
    source.connect(gain).connect(effectsOut);
    source.start(t);
    const mine = { source, gain };
    source.onended = () => { if (voice === mine) voice = null; };
    voice = mine;
  }

  function post(message) {
    if (musicNode) musicNode.port.postMessage(message);
  }

  window.addEventListener('keydown', unlock, true);
  window.addEventListener('pointerdown', unlock, true);
  // The sound stands still while the game does: paused, or in a hidden tab.
  function suspendOrResume() {
    if (!ctx) return;
    if (held || document.hidden) ctx.suspend(); else ctx.resume();
  }
  document.addEventListener('visibilitychange', suspendOrResume);

  return {
    // From the game, through its audio sink.
    clock(us) { gameClockUs = us; },
    song(id, times, bytes, lengthUs) {
      const message = { type: 'song', id, times, bytes, lengthUs };
      songs.set(id, message);
      post(message);
    },
    wave(id, samples, channels, rate) { waves.set(id, { samples, channels, rate, buffer: null }); },
    musicPlay(id, fromUs) {
      music = { id, fromUs, atUs: gameClockUs };
      post({ type: 'play', id, fromUs });
    },
    musicStop() {
      music = null;
      post({ type: 'stop' });
    },
    effectPlay,
    effectStop() { if (ctx) effectStop(); },
    volumes(music, effects) {
      levels.music = music;
      levels.effects = effects;
      if (musicGain) musicGain.gain.value = music;
      if (effectsOut) effectsOut.gain.value = effects;
    },
    hold(paused) {
      held = paused;
      suspendOrResume();
    },

    // For the page and its tests: whether sound is allowed yet, how far the soundfont is, and
    // the level that goes out now (RMS of the last 2048 frames).
    state() {
      return { unlocked: !!ctx, context: ctx ? ctx.state : 'none', soundfont };
    },
    level() {
      if (!analyser) return 0;
      const data = new Float32Array(analyser.fftSize);
      analyser.getFloatTimeDomainData(data);
      let sum = 0;
      for (const x of data) sum += x * x;
      return Math.sqrt(sum / data.length);
    },
  };
})();
