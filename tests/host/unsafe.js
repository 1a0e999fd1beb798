try { new ActiveXObject("VemoTest.Unsafe.1"); print("created"); } catch (e) { print("refused:", e.message); }
