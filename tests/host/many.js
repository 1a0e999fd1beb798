var held = [];
try {
  for (var i = 0; i < 40; ++i) held.push(new ActiveXObject("VEMOMPIOCX.VemoMPIOCXCtrl.1"));
} catch (e) {
  print(held.length, e.message);
}
print(held[31].SetTimeOut(1));
