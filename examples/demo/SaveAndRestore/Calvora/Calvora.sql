-- Machine copy of the unit database, kept with the machine's project
-- (SaveAndRestore); an integrated run copies it over the unit database and
-- takes its values over.

CREATE TABLE PRESET_DEFS (
  ID LONG,
  part SHORT,
  machine_type TEXT(50),
  type SHORT,
  var_name TEXT(100),
  category_id LONG,
  isBitArray BIT,
  offset_or_bitno LONG,
  text TEXT(255),
  page_name TEXT(50),
  abs_min DOUBLE,
  abs_max DOUBLE,
  min DOUBLE,
  max DOUBLE,
  pass SHORT
);
INSERT INTO PRESET_DEFS (ID, part, machine_type, type, var_name, category_id, isBitArray,
  offset_or_bitno, text, page_name, abs_min, abs_max, min, max, pass) VALUES
  (1, 1, 'Extruder1', 2, 'Extruder1_HZ_Zone1_Soll', 1, 0, 0, 'Sollwert Zone 1 [°C] (Extruder1)', 'Heizung', 0, 400, 60, 260, 1),
  (2, 1, 'Extruder1', 2, 'Extruder1_HZ_Zone2_Soll', 1, 0, 1, 'Sollwert Zone 2 [°C] (Extruder1)', 'Heizung', 0, 400, 20, 300, 1),
  (3, 1, 'Extruder1', 2, 'Extruder1_HZ_Zone3_Soll', 1, 0, 2, 'Sollwert Zone 3 [°C] (Extruder1)', 'Heizung', 0, 400, 20, 300, 1),
  (4, 1, 'Extruder1', 2, 'Extruder1_HZ_Zone4_Soll', 1, 0, 3, 'Sollwert Düse [°C] (Extruder1)', 'Heizung', 0, 400, 80, 290, 2),
  (5, 1, 'Extruder1', 2, 'Extruder1_HZ_Standby_Soll', 1, 0, 4, 'Absenktemperatur Standby [°C]', 'Heizung', 0, 250, 50, 200, 1),
  (6, 2, 'Extruder1', 2, 'Extruder1_HZ_Grenz_Toleranz_Oben', 2, 0, 0, 'Toleranzband oben [K]', 'Grenzwerte', 0, 50, 2, 30, 2),
  (7, 2, 'Extruder1', 2, 'Extruder1_HZ_Grenz_Toleranz_Unten', 2, 0, 1, 'Toleranzband unten [K]', 'Grenzwerte', 0, 50, 2, 30, 2),
  (8, 2, 'Extruder1', 2, 'Extruder1_HZ_Grenz_Max_Temp', 2, 0, 2, 'Übertemperatur Abschaltung [°C]', 'Grenzwerte', 100, 430, 200, 380, 3),
  (9, 2, 'Extruder1', 2, 'Extruder1_HZ_Grenz_Aufheizzeit_Max', 2, 0, 3, 'Maximale Aufheizzeit [min]', 'Grenzwerte', 1, 240, 10, 120, 2),
  (10, 3, 'Extruder1', 1, 'Extruder1_HZ_Alarm_Alarm_Freigabe', 3, -1, 5, 'Temperaturalarm Extruder1 freigegeben', 'Alarme', 0, 1, 0, 1, 3),
  (11, 1, 'Extruder2', 2, 'Extruder2_HZ_Zone1_Soll', 1, 0, 0, 'Sollwert Zone 1 [°C] (Extruder2)', 'Heizung', 0, 400, 40, 240, 1),
  (12, 1, 'Extruder2', 2, 'Extruder2_HZ_Zone2_Soll', 1, 0, 1, 'Sollwert Zone 2 [°C] (Extruder2)', 'Heizung', 0, 400, 20, 300, 1),
  (13, 1, 'Extruder2', 2, 'Extruder2_HZ_Zone3_Soll', 1, 0, 2, 'Sollwert Zone 3 [°C] (Extruder2)', 'Heizung', 0, 400, 20, 300, 1),
  (14, 1, 'Extruder2', 2, 'Extruder2_HZ_Zone4_Soll', 1, 0, 3, 'Sollwert Düse [°C] (Extruder2)', 'Heizung', 0, 400, 20, 320, 1),
  (15, 1, 'Extruder2', 2, 'Extruder2_HZ_Standby_Soll', 1, 0, 4, 'Absenktemperatur Standby [°C]', 'Heizung', 0, 250, 50, 200, 1),
  (16, 2, 'Extruder2', 2, 'Extruder2_HZ_Grenz_Toleranz_Oben', 2, 0, 0, 'Toleranzband oben [K]', 'Grenzwerte', 0, 50, 5, 15, 2),
  (17, 2, 'Extruder2', 2, 'Extruder2_HZ_Grenz_Toleranz_Unten', 2, 0, 1, 'Toleranzband unten [K]', 'Grenzwerte', 0, 50, 2, 30, 2),
  (18, 2, 'Extruder2', 2, 'Extruder2_HZ_Grenz_Max_Temp', 2, 0, 2, 'Übertemperatur Abschaltung [°C]', 'Grenzwerte', 100, 450, 200, 420, 3),
  (19, 2, 'Extruder2', 2, 'Extruder2_HZ_Grenz_Aufheizzeit_Max', 2, 0, 3, 'Maximale Aufheizzeit [min]', 'Grenzwerte', 1, 240, 20, 90, 2),
  (20, 3, 'Extruder2', 1, 'Extruder2_HZ_Alarm_Alarm_Freigabe', 3, -1, 5, 'Temperaturalarm Extruder2 freigegeben', 'Alarme', 0, 1, 0, 1, 3);
