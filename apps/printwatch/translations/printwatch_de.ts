<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Printwatch</name>
    <message id="percent0">
        <source>0%</source>
        <translation>0 %</translation>
    </message>
    <message id="percent50">
        <source>50%</source>
        <translation>50 %</translation>
    </message>
    <message id="percent100">
        <source>100%</source>
        <translation>100 %</translation>
    </message>
    <message id="statusGroupTitle">
        <source>Printer status</source>
        <translation>Druckerstatus</translation>
    </message>
    <message id="totalCountGroupTitle">
        <source>Total prints</source>
        <translation>Drucke gesamt</translation>
    </message>
    <message id="serialNoGroupTitle">
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message id="firmVersionGroupTitle">
        <source>Firmware</source>
        <translation>Firmware</translation>
    </message>
    <message id="mediaGroupTitle">
        <source>Media </source>
        <translation>Medium </translation>
    </message>
    <message id="update">
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message id="sheets">
        <source>sheets</source>
        <translation>Blatt</translation>
    </message>
    <message id="mediaDigital">
        <source>Digital</source>
        <translation>Digital</translation>
    </message>
    <message id="mediaPremiumDigital">
        <source>Premium Digital</source>
        <translation>Premium Digital</translation>
    </message>
    <message id="mediaPurePremium">
        <source>Pure Premium</source>
        <translation>Pure Premium</translation>
    </message>
    <message id="size_00500">
        <source>8 x 10 in</source>
        <translation>8 x 10 Zoll</translation>
    </message>
    <message id="size_00510">
        <source>8 x 12 in</source>
        <translation>8 x 12 Zoll</translation>
    </message>
    <message id="size_00600">
        <source>A4</source>
        <translation>A4</translation>
    </message>
    <message id="st_00000">
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message id="st_00001">
        <source>Printing</source>
        <translation>Druckt</translation>
    </message>
    <message id="st_00500">
        <source>Cooling down</source>
        <translation>Kühlt ab</translation>
    </message>
    <message id="st_00900">
        <source>Standby</source>
        <translation>Standby</translation>
    </message>
    <message id="st_01000">
        <source>Cover open</source>
        <translation>Abdeckung offen</translation>
    </message>
    <message id="st_01010">
        <source>No scrap box</source>
        <translation>Kein Abfallbehälter</translation>
    </message>
    <message id="st_01100">
        <source>Out of paper</source>
        <translation>Papier leer</translation>
    </message>
    <message id="st_01200">
        <source>Ribbon used up</source>
        <translation>Farbband verbraucht</translation>
    </message>
    <message id="st_01300">
        <source>Paper jam</source>
        <translation>Papierstau</translation>
    </message>
    <message id="st_01400">
        <source>Ribbon error</source>
        <translation>Farbbandfehler</translation>
    </message>
    <message id="st_01500">
        <source>Paper error</source>
        <translation>Papierfehler</translation>
    </message>
    <message id="st_01600">
        <source>Media mismatch</source>
        <translation>Medien passen nicht</translation>
    </message>
    <message id="st_02000">
        <source>System error 2000</source>
        <translation>Systemfehler 2000</translation>
    </message>
    <message id="st_02100">
        <source>System error 2100</source>
        <translation>Systemfehler 2100</translation>
    </message>
    <message id="st_02200">
        <source>System error 2200</source>
        <translation>Systemfehler 2200</translation>
    </message>
    <message id="st_02300">
        <source>System error 2300</source>
        <translation>Systemfehler 2300</translation>
    </message>
    <message id="st_02400">
        <source>System error 2400</source>
        <translation>Systemfehler 2400</translation>
    </message>
    <message id="st_02500">
        <source>System error 2500</source>
        <translation>Systemfehler 2500</translation>
    </message>
    <message id="st_02600">
        <source>System error 2600</source>
        <translation>Systemfehler 2600</translation>
    </message>
    <message id="st_02610">
        <source>System error 2610</source>
        <translation>Systemfehler 2610</translation>
    </message>
    <message id="st_02700">
        <source>System error 2700</source>
        <translation>Systemfehler 2700</translation>
    </message>
    <message id="st_02800">
        <source>System error 2800</source>
        <translation>Systemfehler 2800</translation>
    </message>
    <message id="st_03000">
        <source>System error 3000</source>
        <translation>Systemfehler 3000</translation>
    </message>
    <message id="st_99999">
        <source>Offline</source>
        <translation>Offline</translation>
    </message>
    <message id="ms_00001">
        <source>The printer is ready to print.</source>
        <translation>Der Drucker ist druckbereit.</translation>
    </message>
    <message id="ms_00002">
        <source>Printing. Please wait.</source>
        <translation>Es wird gedruckt. Bitte warten.</translation>
    </message>
    <message id="ms_00003">
        <source>The print head is cooling down. Printing continues shortly.</source>
        <translation>Der Druckkopf kühlt ab. Der Druck geht gleich weiter.</translation>
    </message>
    <message id="ms_00004">
        <source>The print head is cooling down. Please wait.</source>
        <translation>Der Druckkopf kühlt ab. Bitte warten.</translation>
    </message>
    <message id="ms_00005">
        <source>The printer is in standby mode.</source>
        <translation>Der Drucker ist im Standby-Modus.</translation>
    </message>
    <message id="ms_00006">
        <source>The printer is switched off or not connected.</source>
        <translation>Der Drucker ist ausgeschaltet oder nicht verbunden.</translation>
    </message>
    <message id="ms_00100">
        <source>Close the printer cover.</source>
        <translation>Schließen Sie die Abdeckung des Druckers.</translation>
    </message>
    <message id="ms_00101">
        <source>Insert the scrap box.</source>
        <translation>Setzen Sie den Abfallbehälter ein.</translation>
    </message>
    <message id="ms_00102">
        <source>Load a new paper roll.</source>
        <translation>Legen Sie eine neue Papierrolle ein.</translation>
    </message>
    <message id="ms_00103">
        <source>Replace the ink ribbon.</source>
        <translation>Ersetzen Sie das Farbband.</translation>
    </message>
    <message id="ms_00104">
        <source>Open the cover and remove the jammed paper.</source>
        <translation>Öffnen Sie die Abdeckung und entfernen Sie das gestaute Papier.</translation>
    </message>
    <message id="ms_00105">
        <source>Check the ink ribbon and load it again.</source>
        <translation>Prüfen Sie das Farbband und legen Sie es neu ein.</translation>
    </message>
    <message id="ms_00106">
        <source>Check the paper and load it again.</source>
        <translation>Prüfen Sie das Papier und legen Sie es neu ein.</translation>
    </message>
    <message id="ms_00107">
        <source>Load paper and ink ribbon of the same kind.</source>
        <translation>Legen Sie Papier und Farbband derselben Sorte ein.</translation>
    </message>
    <message id="ms_00108">
        <source>The loaded media is not recognised.</source>
        <translation>Das eingelegte Medium wird nicht erkannt.</translation>
    </message>
    <message id="ms_00200">
        <source>Switch the printer off and on. If the error remains, call service (error 2000).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2000).</translation>
    </message>
    <message id="ms_00201">
        <source>Switch the printer off and on. If the error remains, call service (error 2100).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2100).</translation>
    </message>
    <message id="ms_00202">
        <source>Switch the printer off and on. If the error remains, call service (error 2200).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2200).</translation>
    </message>
    <message id="ms_00203">
        <source>Switch the printer off and on. If the error remains, call service (error 2300).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2300).</translation>
    </message>
    <message id="ms_00204">
        <source>Switch the printer off and on. If the error remains, call service (error 2400).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2400).</translation>
    </message>
    <message id="ms_00205">
        <source>Switch the printer off and on. If the error remains, call service (error 2500).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2500).</translation>
    </message>
    <message id="ms_00206">
        <source>Switch the printer off and on. If the error remains, call service (error 2600).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2600).</translation>
    </message>
    <message id="ms_00207">
        <source>Switch the printer off and on. If the error remains, call service (error 2610).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2610).</translation>
    </message>
    <message id="ms_00208">
        <source>Switch the printer off and on. If the error remains, call service (error 2700).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2700).</translation>
    </message>
    <message id="ms_00209">
        <source>Switch the printer off and on. If the error remains, call service (error 2800).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 2800).</translation>
    </message>
    <message id="ms_00210">
        <source>Switch the printer off and on. If the error remains, call service (error 3000).</source>
        <translation>Schalten Sie den Drucker aus und wieder ein. Bleibt der Fehler, rufen Sie den Service (Fehler 3000).</translation>
    </message>
</context>
</TS>
