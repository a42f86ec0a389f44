"""Another program speaking through the same speech-dispatcher, as a screen reader does: says
TEXT at PRIORITY (text or message) and prints whether it was said to its end ("end") or cut
("cancel"). Run with Debian's /usr/bin/python3 (python3-speechd).

    other_speaker.py PRIORITY TEXT"""
import sys
import threading

import speechd

priority, text = sys.argv[1], sys.argv[2]
client = speechd.SSIPClient("other", autospawn=False)
client.set_priority(getattr(speechd.Priority, priority.upper()))
outcome = []
done = threading.Event()


def heard(event_type, **_):
    outcome.append("end" if event_type == speechd.CallbackType.END else "cancel")
    done.set()


client.speak(text, callback=heard,
             event_types=(speechd.CallbackType.END, speechd.CallbackType.CANCEL))
done.wait(20)
print(outcome[0] if outcome else "timeout", flush=True)
client.close()
