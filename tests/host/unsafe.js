try { new ActiveXObject("VemoTest.Unsafe.1"); print("created"); } catch (e) { print("refused:", e.message); }
var t = new ActiveXObject("VemoTest.Throwing.1");
try { print(t.Anything); } catch (e) { print("thrown:", e.message); }
try { t.Anything = 1; } catch (e) { print("thrown:", e.message); }
print("still here");
