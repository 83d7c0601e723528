#!/usr/bin/env bash
# Makes the test sounds into OUTDIR (made if missing); CTest runs it as the
# fixture "sounds". Quick to make (a few seconds):
#
#   tone.wav       440 Hz, 2 s, 22050 Hz mono PCM (resampled on the way out)
#   tone.mp3       440 Hz, 2 s, MP3 44100 Hz stereo
#   tone.wma       440 Hz, 2 s, WMA 2 in ASF
#   clip.wmv       a WMV picture with a 440 Hz WMA sound, 2 s
#   tone.au        440 Hz, 2 s, Sun AU 16-bit big-endian
#   tone.snd       the same as AU under its other name, mu-law
#   tone.aiff      440 Hz, 2 s, AIFF 16-bit
#   tone.aifc      440 Hz, 2 s, AIFF-C mu-law
#   tone.ogg       440 Hz, 2 s, Ogg Vorbis
#   tone.flac      440 Hz, 2 s, FLAC 48000 Hz
#   six-N.*        six tones of 3 s at 300, 450, 600, 750, 900 and 1050 Hz,
#                  one kind each (wav mp3 ogg wma aiff au)
#   blip.wav       0.1 s: ends within its first second
#   steps.mp3      6 s: a 440 Hz tone for 2 s, 2 s of silence, the tone
#                  again: where a sound plays from can be heard
#   dc.wav         3 s of a constant 0.7 of full scale: two of them add up
#                  past full scale
#   long.mp3       10 minutes of a tone, 8 kbit/s mono: too long to hold
#                  decoded (about 100 MB at the output rate)
#   tune.mid       a standard MIDI file of four notes, about 1 s
#   tune.rmi       the same in a RIFF "RMID" wrapper
#   track01.cda    a CD audio track's stand-in (RIFF "CDDA")
#   notes.wav      a text file
#   notes.mid      a text file
#   empty.mp3      nothing at all
#   cut.mp3        tone.mp3's first 40 bytes: the tag header, no frame
#   cut.wav        tone.wav's first 30 bytes: a header cut short
#   mute.avi       a movie with no sound stream
#
# Usage: make-sounds.sh OUTDIR
set -euo pipefail
out="${1:?usage: make-sounds.sh OUTDIR}"
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
pids=()
bg() { ff "$@" & pids+=($!); }
together() { for p in "${pids[@]}"; do wait "$p"; done; pids=(); }
tone() { echo "sine=frequency=$1:sample_rate=${3:-44100}:duration=$2"; }

bg -f lavfi -i "$(tone 440 2 22050)" -c:a pcm_s16le tone.wav
bg -f lavfi -i "$(tone 440 2)" -af "pan=stereo|c0=c0|c1=c0" -c:a libmp3lame -b:a 128k tone.mp3
bg -f lavfi -i "$(tone 440 2)" -c:a wmav2 -b:a 64k tone.wma
bg -f lavfi -i testsrc2=size=64x48:rate=15 -f lavfi -i "$(tone 440 2)" -t 2 \
   -map 0:v -map 1:a -c:v wmv2 -c:a wmav2 -b:a 64k clip.wmv
together
bg -f lavfi -i "$(tone 440 2)" -c:a pcm_s16be tone.au
bg -f lavfi -i "$(tone 440 2 8000)" -c:a pcm_mulaw -f au tone.snd
bg -f lavfi -i "$(tone 440 2)" -c:a pcm_s16be tone.aiff
bg -f lavfi -i "$(tone 440 2)" -c:a pcm_mulaw -f aiff tone.aifc
together
bg -f lavfi -i "$(tone 440 2)" -c:a libvorbis tone.ogg
bg -f lavfi -i "$(tone 440 2 48000)" -c:a flac tone.flac
bg -f lavfi -i "$(tone 300 3)" -c:a pcm_s16le six-1.wav
bg -f lavfi -i "$(tone 450 3)" -c:a libmp3lame -b:a 128k six-2.mp3
together
bg -f lavfi -i "$(tone 600 3)" -c:a libvorbis six-3.ogg
bg -f lavfi -i "$(tone 750 3)" -c:a wmav2 -b:a 64k six-4.wma
bg -f lavfi -i "$(tone 900 3)" -c:a pcm_s16be six-5.aiff
bg -f lavfi -i "$(tone 1050 3)" -c:a pcm_s16be six-6.au
together
bg -f lavfi -i "$(tone 440 0.1 22050)" -c:a pcm_s16le blip.wav
bg -f lavfi -i "$(tone 440 600 8000)" -ac 1 -c:a libmp3lame -b:a 8k long.mp3
bg -f lavfi -i testsrc2=size=64x48:rate=25 -frames:v 25 -c:v mpeg4 mute.avi
together
bg -f lavfi -i "aevalsrc='if(lt(mod(t,4),2),0.125*sin(2*PI*440*t),0)':s=44100:d=6" -c:a libmp3lame -b:a 128k steps.mp3
bg -f lavfi -i "aevalsrc=0.7:s=44100:d=3" -c:a pcm_s16le dc.wav
together

# A format 0 MIDI file, 96 ticks a quarter note at the default 120 beats a
# minute: a piano, four notes of 0.25 s, the end.
track='\x00\xc0\x00'
for note in '\x3c' '\x40' '\x43' '\x48'; do
  track+="\\x00\\x90${note}\\x64\\x30\\x80${note}\\x40"
done
track+='\x00\xff\x2f\x00'
trackBytes=$(printf "$track" | wc -c)
be32() { printf "\\x$(printf %02x $(($1 >> 24 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 & 255)))"; }
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
{
  printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk'
  be32 "$trackBytes"
  printf "$track"
} > tune.mid
midBytes=$(stat -c %s tune.mid)
pad=$((midBytes % 2))
{
  printf 'RIFF'
  le32 $((4 + 8 + midBytes + pad))
  printf 'RMIDdata'
  le32 "$midBytes"
  cat tune.mid
  if [ "$pad" -eq 1 ]; then printf '\x00'; fi
} > tune.rmi

# What a CD's file system shows for a track: a RIFF "CDDA" header of 44
# bytes and no samples.
{
  printf 'RIFF'
  le32 36
  printf 'CDDAfmt '
  le32 24
  printf '\x01\x00\x01\x00'
  le32 0
  le32 0
  le32 0
  le32 0
  le32 0
} > track01.cda

printf 'These are not samples.\nJust a few lines of text.\n' > notes.wav
printf 'These are not notes either.\n' > notes.mid
: > empty.mp3
head -c 40 tone.mp3 > cut.mp3
head -c 30 tone.wav > cut.wav
