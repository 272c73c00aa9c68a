#!/bin/sh
# A private sound server for the Windows suites under Wine, whose Core Audio
# has endpoints only while one runs: on an anonymous socket in DIR, a null
# sink and a null source, the defaults, and a sink and a source that carry a
# USB headset's identity (Wine turns the bus, vendor and product into the
# endpoint's device path). CTest runs it natively as the suites' fixture.
#   pulse_server.sh start DIR | stop DIR
set -eu
what=${1:?usage: pulse_server.sh start|stop DIR}
dir=${2:?usage: pulse_server.sh start|stop DIR}
server="unix:$dir/native"

pactl_here() { env -u PULSE_COOKIE PULSE_SERVER="$server" /usr/bin/pactl "$@"; }

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
  fi
}

case "$what" in
  start)
    for p in /usr/bin/pulseaudio /usr/bin/pactl; do
      [ -x "$p" ] || { echo "pulse_server: $p is missing (the pulseaudio and pulseaudio-utils packages)" >&2; exit 1; }
    done
    stop
    rm -rf "$dir"
    mkdir -p "$dir/xdg" "$dir/state"
    chmod 700 "$dir/xdg"
    # Its own session, streams closed: CTest must not wait on pipes it inherited.
    env -i PATH=/usr/bin:/bin HOME="$dir" XDG_RUNTIME_DIR="$dir/xdg" PULSE_RUNTIME_PATH="$dir/xdg" \
      PULSE_STATE_PATH="$dir/state" DBUS_SESSION_BUS_ADDRESS=disabled: \
      setsid /usr/bin/pulseaudio -n --daemonize=no --system=no --use-pid-file=no --exit-idle-time=-1 \
      --realtime=no --high-priority=no --disable-shm=yes --log-target=stderr --log-level=info \
      -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
      </dev/null >/dev/null 2>"$dir/pulse.log" &
    echo $! >"$dir/pid"
    tries=0
    until pactl_here info >/dev/null 2>&1; do
      tries=$((tries + 1))
      if [ $tries -gt 150 ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
        echo "pulse_server: the server did not answer; see $dir/pulse.log" >&2
        stop
        exit 1
      fi
      sleep 0.1
    done
    pactl_here load-module module-null-sink sink_name=oro_render rate=48000 channels=2 \
      "sink_properties=device.description=Oro_Test_Speakers" >/dev/null
    pactl_here load-module module-null-source source_name=oro_capture rate=48000 channels=2 \
      description=Oro_Test_Microphone >/dev/null
    usb="device.bus=usb device.vendor.id=040b device.product.id=f779 device.serial=ORO-TEST"
    pactl_here load-module module-null-sink sink_name=oro_headset rate=48000 channels=2 \
      "sink_properties='device.description=Oro_Test_Headset $usb'" >/dev/null
    pactl_here load-module module-remap-source source_name=oro_headset_mic master=oro_headset.monitor \
      "source_properties='device.description=Oro_Test_Headset_Mic $usb'" >/dev/null
    pactl_here set-default-sink oro_render
    pactl_here set-default-source oro_capture
    echo "pulse_server: running at $server"
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: pulse_server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
